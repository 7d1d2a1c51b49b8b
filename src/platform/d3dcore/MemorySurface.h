#pragma once
// A surface whose pixels live in memory: offscreen plain surfaces, texture
// levels and (through its hooks) the back buffer.
#include <cstdint>
#include <vector>

#include "platform/d3dcore/RefCounted.h"

class MemorySurface : public RefCounted<IDirect3DSurface9> {
 public:
  MemorySurface(D3DFORMAT format, UINT width, UINT height, D3DPOOL pool, D3DRESOURCETYPE type = D3DRTYPE_SURFACE);

  HRESULT GetDesc(D3DSURFACE_DESC* pDesc) override;
  HRESULT LockRect(D3DLOCKED_RECT* pLockedRect, const RECT* pRect, DWORD Flags) override;
  HRESULT UnlockRect() override;

  // Changes the size and format; the pixels become zero.
  void reshape(D3DFORMAT newFormat, UINT newWidth, UINT newHeight);
  D3DFORMAT getFormat() const { return format; }
  UINT getWidth() const { return width; }
  UINT getHeight() const { return height; }
  int getPitch() const { return pitch; }
  uint8_t* bits() { return pixels.data(); }
  const uint8_t* bits() const { return pixels.data(); }

 protected:
  // Called before the pixels are handed out (a failure fails the lock) and
  // after they come back, with the locked rectangle and the lock's flags.
  virtual HRESULT beginLock(DWORD) { return D3D_OK; }
  virtual void endLock(const RECT&, DWORD) {}

 private:
  D3DFORMAT format;
  UINT width, height;
  D3DPOOL pool;
  D3DRESOURCETYPE type;
  int pitch = 0;
  std::vector<uint8_t> pixels;
  bool bLocked = false;
  RECT lockedRect;
  DWORD lockFlags = 0;
};
