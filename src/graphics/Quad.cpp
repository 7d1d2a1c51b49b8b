#include "graphics/Quad.h"

#include <cmath>

#include "graphics/Renderable.h"
#include "graphics/Texture.h"

ZIB_DEFINE_CLASS(Quad, Skin, makeObject<Quad>);

Quad::Quad() { vertexBuffer.resize(4); }

void Quad::draw(Renderable* owner) {
  vertexBuffer.vertexData[0].diffuse = owner->color;
  vertexBuffer.draw(pTexture, VertexBuffer::kTriangleStrip, 0, -1);
}

void Quad::fitToTexture() {
  buildGeometry((uvRect.uRight - uvRect.uLeft) * static_cast<float>(pTexture->width),
                std::fabs(uvRect.vTop - uvRect.vBottom) * static_cast<float>(pTexture->height));
}

void Quad::setTextureRect(int32_t left, int32_t top, int32_t bottom, int32_t right) {
  pixelRect = {left, top, bottom, right};
  const auto uv = pTexture->calcTexCoords(left, top, bottom, right);
  uvRect = {uv.uLeft, uv.vTop, uv.uRight, uv.vBottom};
  fitToTexture();
}

void Quad::buildGeometry(float w, float h) {
  width = w;
  height = h;
  const float x[4] = {-w / 2, w / 2, -w / 2, w / 2};
  const float y[4] = {h / 2, h / 2, -h / 2, -h / 2};
  const float u[4] = {uvRect.uLeft, uvRect.uRight, uvRect.uLeft, uvRect.uRight};
  const float v[4] = {uvRect.vTop, uvRect.vTop, uvRect.vBottom, uvRect.vBottom};
  for (int i = 0; i < 4; ++i) {
    Vertex& vertex = vertexBuffer.vertexData[i];
    vertex = {x[i], y[i], 0, 0xFFFFFFFF, u[i], v[i]};
    if (bTextureSpaceUV) {
      vertex.u = (x[i] - uvOffset[0]) / static_cast<float>(pTexture->width);
      vertex.v = (-y[i] - uvOffset[1]) / static_cast<float>(pTexture->height);
    }
  }
  vertexBuffer.upload();
}
