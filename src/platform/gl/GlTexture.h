#pragma once
// A texture of the OpenGL device: the texels in memory (they survive
// anything that happens to the device) and an OpenGL copy, updated from
// each unlocked rectangle.
#include <epoxy/gl.h>

#include "platform/d3dcore/MemoryTexture.h"

class GlDevice;

class GlTexture : public MemoryTexture {
 public:
  GlTexture(GlDevice* device, UINT width, UINT height, D3DFORMAT format, D3DPOOL pool);

  GLuint name() const { return texture; }
  // False when OpenGL had no memory for the texels.
  bool hasStorage() const { return bStorage; }
  // Whether every texel's alpha reads 1, as last uploaded: such a texture
  // drawn with opaque colours needs no blending.
  bool isOpaque() const { return bOpaque; }
  void detach() override;

 protected:
  ~GlTexture() override;
  HRESULT beginLock(DWORD flags) override;
  void endLock(const RECT& rect, DWORD flags) override;

 private:
  void upload(const RECT& rect);
  void noteOpacity(const RECT& rect);
  void release();

  GlDevice* glDevice;
  GLuint texture = 0;
  bool bOpaque = false;
  bool bStorage = false;
};
