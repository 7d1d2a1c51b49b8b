#include "graphics/Skin.h"

#include "engine/ErrorManager.h"

ZIB_DEFINE_CLASS(Skin, ZibBase, makeObject<Skin>);

bool isWithinRadius(const Vector3& a, const Vector3& b, float radius) {
  const Vector3 d = a - b;
  return d.x * d.x + d.y * d.y + d.z * d.z < radius * radius;
}

void Skin::applyOrigin(D3DXMATRIX& matrix) {
  matrix._41 -= anchor.x;
  matrix._42 -= anchor.y;
  matrix._43 -= anchor.z;
}

bool Skin::isPointInside(float x, float y, float) {
  return -width / 2 <= x && x < width / 2 && -height / 2 <= y && y < height / 2;
}

void Skin::draw(Renderable*) {}

Vector3 Skin::getCornerPoint() { return {offset.x + width / 2, offset.y + height / 2, offset.z}; }

Vector3 Skin::transformPoint(const Vector3& point) { return point; }

Vector3 Skin::inverseTransformPoint(const Vector3& point) { return point; }

Vector3 Skin::transformPointAlt(const Vector3& point) { return point; }

Vector3 Skin::inverseTransformPointAlt(const Vector3& point) { return point; }

void Skin::setAlignment(int32_t code) {
  ZIB_ASSERT(code >= 0 && code <= 9);
  // Steps of half the size from the centre, by code.
  static constexpr int kColumn[10] = {0, -1, 0, 1, -1, 0, 1, -1, 0, 1};
  static constexpr int kRow[10] = {0, -1, -1, -1, 0, 0, 0, 1, 1, 1};
  anchor = offset + Vector3(kColumn[code] * width / 2, kRow[code] * height / 2, 0);
}
