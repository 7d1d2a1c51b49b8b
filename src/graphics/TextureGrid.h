#pragma once
// The skin of an image that had to be cut into tile textures: a grid of tile
// quads drawn from one vertex buffer, centred like a single quad. The tiles
// belong to the Texture that built the grid. Reports the Skin class record.
#include <vector>

#include "graphics/Skin.h"

class Quad;

class TextureGrid : public Skin {
 public:
  void draw(Renderable* owner) override;

  // New tiles are null; the vertex buffer holds four vertices per tile.
  void setGridSize(int32_t columns, int32_t rows);
  // Lays the tiles out row by row from the top left; every tile must be set.
  void buildGeometry();

  int32_t columns = 0;
  int32_t rows = 0;
  int32_t tileCount = 0;
  // Row-major, row 0 at the top.
  std::vector<Quad*> tiles;
};
