#include "graphics/Camera.h"

#include <cmath>

#include "engine/LogicalScreen.h"
#include "engine/Zib.h"
#include "graphics/ZibGraphics.h"
#include "platform/D3DX9.h"

ZIB_DEFINE_CLASS(Camera, ZibBase, makeObject<Camera>);

float Camera::logicalWidth() {
  return zib->pZibGraphics ? static_cast<float>(zib->pZibGraphics->screenWidth) : kLogicalScreenWidth;
}

Camera::Camera() {
  position = Vector3(0, 0, -logicalWidth() / 2);
  aspect = zib->pZibGraphics ? zib->pZibGraphics->screenAspect
                              : static_cast<float>(kLogicalScreenHeight) / kLogicalScreenWidth;
  tick(0, 0);
}

void Camera::tick(double, double) {
  const float w = logicalWidth();
  const float s = (target.z - position.z) / (w * 0.5f);
  const float m = s <= 1.0f ? s : 1.0f;
  Vector3 texelOffset;
  if (const ZibGraphics* graphics = zib->pZibGraphics; graphics && graphics->viewportWidth > 0) {
    // The alignment is in device pixels; the offset is in world units at the plane.
    texelOffset.x = m * graphics->texelAlignment.x * (w / static_cast<float>(graphics->viewportWidth));
    texelOffset.y = m * graphics->texelAlignment.y *
                    (static_cast<float>(graphics->screenHeight) / static_cast<float>(graphics->viewportHeight));
  }
  Vector3 from = position, to = target;
  if (bPixelSnap) {
    from.x = std::trunc(from.x);
    from.y = std::trunc(from.y);
    to.x = std::trunc(to.x);
    to.y = std::trunc(to.y);
  }
  eye = Vector3(from.x + texelOffset.x, from.y + texelOffset.y, from.z);
  lookAt = Vector3(to.x + texelOffset.x, to.y + texelOffset.y, to.z);
}

void Camera::render() {
  if (!zib->pZibGraphics || !zib->pZibGraphics->dxDevice) return;
  IDirect3DDevice9* const device = zib->pZibGraphics->dxDevice;
  D3DXMATRIX projection, view;
  D3DXMatrixPerspectiveLH(&projection, 2.0f, 2.0f * aspect, 1.0f, 1048576.0f);
  device->SetTransform(D3DTS_PROJECTION, &projection);
  const Vector3 up(std::sin(roll), std::cos(roll), 0);
  D3DXMatrixLookAtLH(&view, &eye, &lookAt, &up);
  device->SetTransform(D3DTS_VIEW, &view);
}

void Camera::onTickEnd(double, double) {}

RectF Camera::getViewRect(float z) const {
  const float d = z - position.z;
  return {position.x - d, position.y + aspect * d, position.x + d, position.y - aspect * d};
}
