#include "graphics/TextureGrid.h"

#include "engine/ErrorManager.h"
#include "graphics/Quad.h"
#include "graphics/Renderable.h"

void TextureGrid::draw(Renderable* owner) {
  vertexBuffer.vertexData[0].diffuse = owner->color;
  for (int32_t i = 0; i < tileCount; ++i)
    vertexBuffer.draw(tiles[i]->pTexture, VertexBuffer::kTriangleStrip, 4 * i, 4);
}

void TextureGrid::setGridSize(int32_t columns_, int32_t rows_) {
  ZIB_ASSERT(columns_ >= 0 && rows_ >= 0);
  columns = columns_;
  rows = rows_;
  tileCount = columns * rows;
  tiles.resize(static_cast<size_t>(tileCount), nullptr);
  vertexBuffer.resize(4 * tileCount);
}

void TextureGrid::buildGeometry() {
  for (const Quad* tile : tiles) ZIB_ASSERT(tile != nullptr);
  width = 0;
  for (int32_t column = 0; column < columns; ++column) width += tiles[column]->width;
  height = 0;
  for (int32_t row = 0; row < rows; ++row) height += tiles[row * columns]->height;

  float y = height / 2;
  for (int32_t row = 0; row < rows; ++row) {
    float x = -width / 2;
    const Quad* tile = nullptr;
    for (int32_t column = 0; column < columns; ++column) {
      tile = tiles[row * columns + column];
      const UVRect& uv = tile->uvRect;
      const float w = tile->width, h = tile->height;
      Vertex* v = &vertexBuffer.vertexData[4 * (row * columns + column)];
      v[0] = {x, y, 0, 0xFFFFFFFF, uv.uLeft, uv.vTop};
      v[1] = {x + w, y, 0, 0xFFFFFFFF, uv.uRight, uv.vTop};
      v[2] = {x, y - h, 0, 0xFFFFFFFF, uv.uLeft, uv.vBottom};
      v[3] = {x + w, y - h, 0, 0xFFFFFFFF, uv.uRight, uv.vBottom};
      x += w;
    }
    if (tile) y -= tile->height;
  }
  vertexBuffer.upload();
}
