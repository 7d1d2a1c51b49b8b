#pragma once
// The drawable shape of a Renderable: a width x height rectangle around
// `offset`, placed by its `anchor`, drawn from its own vertex buffer in the
// owner's WORLD transform and colour. Skins are shared between owners.
#include "base/Vector3.h"
#include "engine/ZibBase.h"
#include "graphics/VertexBuffer.h"
#include "platform/D3DX9.h"

class Renderable;

// The squared 3-D distance of a and b is below radius squared.
bool isWithinRadius(const Vector3& a, const Vector3& b, float radius);

class Skin : public ZibBase {
  ZIB_DECLARE_CLASS()
 public:
  // Subtracts `anchor` from the matrix's translation row.
  virtual void applyOrigin(D3DXMATRIX& matrix);
  // Local point test; the left and bottom edges belong to the shape, the
  // right and top ones do not. z is ignored.
  virtual bool isPointInside(float x, float y, float z);
  virtual void draw(Renderable* owner);
  // offset + (width / 2, height / 2, 0).
  virtual Vector3 getCornerPoint();
  // Point hooks of local2world (forward) and world2local (backward); skins
  // that bend their space override them.
  virtual Vector3 transformPoint(const Vector3& point);
  virtual Vector3 inverseTransformPoint(const Vector3& point);
  // A second forward and backward pair of the same shape, unused by the
  // engine and free for game skins.
  virtual Vector3 transformPointAlt(const Vector3& point);
  virtual Vector3 inverseTransformPointAlt(const Vector3& point);

  // `anchor` = `offset` + the keypad-laid-out corner, edge or centre (y up):
  // 7 8 9 / 4 5 6 / 1 2 3, and 0 for the centre. Set it again after a resize.
  void setAlignment(int32_t code);

  Vector3 anchor;
  Vector3 offset;
  VertexBuffer vertexBuffer;
  float width = 0;
  float height = 0;
};
