#pragma once
// Vertices kept twice: a CPU copy that owners edit, and a managed, write-only
// device buffer that `upload` refreshes and `draw` draws ranges of.
#include <cstdint>
#include <vector>

#include "engine/ZibBase.h"
#include "graphics/Vertex.h"

class Texture;

// Slots of the engine's per-frame counters (Zib::frameStats).
enum FrameStat : int32_t {
  STAT_RENDERABLES = 0,
  STAT_DRAWN = 1,
  STAT_VERTICES = 2,
  STAT_VBUFFER_WRITES = 3,
  STAT_TEXTURES = 4,
  STAT_TEXELS = 5,
  STAT_UPDATE_VISUALS = 6,
  STAT_INV_XFORMS = 7,
  STAT_COLLISIONS = 8,
};

class VertexBuffer : public ZibBase {
  ZIB_DECLARE_CLASS()
 public:
  // Primitive codes of `draw`.
  static constexpr int32_t kPointList = 0;
  static constexpr int32_t kLineList = 1;
  static constexpr int32_t kLineStrip = 2;
  static constexpr int32_t kTriangleList = 3;
  static constexpr int32_t kTriangleStrip = 4;
  static constexpr int32_t kTriangleFan = 5;

  VertexBuffer() = default;
  ~VertexBuffer() override;

  // A new count gets a new device buffer and zeroed vertices; the same count
  // keeps both.
  void resize(int32_t count);
  // Writes the whole CPU copy to the device buffer.
  void upload();
  // The first vertex's colour (the draw's texture factor); with `all` every
  // vertex's, uploaded.
  void setColor(UColor color, bool all);
  // Draws `count` vertices from `start` (a negative count: all the rest) with
  // the texture (none: untextured, coloured by the texture factor alone).
  // A range outside the buffer is fatal.
  void draw(Texture* texture, int32_t primitive, int32_t start, int32_t count);
  void createDXobject();

  std::vector<Vertex> vertexData;
  int32_t vertices = 0;
  IDirect3DVertexBuffer9* dxVBuffer = nullptr;

 private:
  void releaseDXobject();
};
