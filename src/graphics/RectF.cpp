#include "graphics/RectF.h"

#include "engine/Zib.h"
#include "graphics/VertexBuffer.h"
#include "graphics/ZibGraphics.h"
#include "platform/D3DX9.h"

namespace {

void drawCorners(const float (*corners)[2], int32_t count, UColor color, int32_t primitive) {
  D3DXMATRIX identity;
  zib->pZibGraphics->dxDevice->SetTransform(D3DTS_WORLD, D3DXMatrixIdentity(&identity));
  VertexBuffer buffer;
  buffer.resize(count);
  for (int32_t i = 0; i < count; ++i) buffer.vertexData[i] = {corners[i][0], corners[i][1], 0, color, 0, 0};
  buffer.upload();
  buffer.draw(nullptr, primitive, 0, -1);
}

}  // namespace

void RectF::drawFilled(UColor color) const {
  const float corners[][2] = {{left, top}, {right, top}, {left, bottom}, {right, bottom}};
  drawCorners(corners, 4, color, VertexBuffer::kTriangleStrip);
}

void RectF::drawOutline(UColor color) const {
  const float corners[][2] = {{left, top}, {right, top}, {right, bottom}, {left, bottom}, {left, top}};
  drawCorners(corners, 5, color, VertexBuffer::kLineStrip);
}
