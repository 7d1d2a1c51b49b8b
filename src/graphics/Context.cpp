#include "graphics/Context.h"

#include <algorithm>

#include "engine/Zib.h"
#include "engine/input/ZibInput.h"
#include "graphics/Camera.h"
#include "graphics/ZibGraphics.h"

ZIB_DEFINE_CLASS(Context, ZibBase, makeObject<Context>);

namespace {

// Null without a graphics manager (a bare engine draws nothing).
IDirect3DDevice9* device() { return zib->pZibGraphics ? zib->pZibGraphics->dxDevice : nullptr; }

}  // namespace

// A Context without a camera skips the camera steps.
Context::Context() { pCamera = new Camera(); }

Context::~Context() {
  if (pCamera) pCamera->destroy();
  pCamera = nullptr;
}

void Context::frameTick(double time, double delta) { tick(time, delta); }

void Context::frameRender() { render(); }

void Context::onEnter(bool) {}

void Context::onLeave(bool) {}

void Context::tickContents(double time, double delta) { ZibBase::tick(time, delta); }

void Context::renderContents() { ZibBase::render(); }

// The arguments are not used: a Context keeps its own clock.
void Context::tick(double, double) {
  // The background sees the clock as it stood after the previous frame.
  if (pBackground) pBackground->tick(time, delta);
  Context* const saved = zib->currentContext;
  zib->currentContext = this;

  delta = std::min(zib->getFrameDelta(), zib->maxFrameDelta) * timeScale;
  time += delta;
  if (endTime != 0.0 && time > endTime) bFinished = 1;
  if (pCamera) {
    pCamera->tick(time, delta);
    updatePointerWorldPosition();
  }
  tickContents(time, delta);
  if (pCamera) pCamera->onTickEnd(time, delta);

  zib->currentContext = saved;
  if (pOverlay) pOverlay->tick(time, delta);
}

void Context::render() {
  if (pBackground) pBackground->render();
  Context* const saved = zib->currentContext;
  zib->currentContext = this;

  IDirect3DDevice9* const dx = device();
  // Both transforms are given back, so that whatever draws after this screen
  // (its parent's later children, the overlay) keeps its own camera.
  D3DMATRIX view = {}, projection = {};
  if (dx) {
    if (clearColor != 0) dx->Clear(0, nullptr, D3DCLEAR_TARGET, clearColor, 1.0f, 0);
    dx->GetTransform(D3DTS_VIEW, &view);
    dx->GetTransform(D3DTS_PROJECTION, &projection);
  }
  if (pCamera) pCamera->render();
  renderContents();
  if (dx) {
    dx->SetTransform(D3DTS_VIEW, &view);
    dx->SetTransform(D3DTS_PROJECTION, &projection);
  }

  zib->currentContext = saved;
  if (pOverlay) pOverlay->render();
}

void Context::updatePointerWorldPosition() {
  prevPointerPos = pointerPos;
  const Vector3 pointer = zib->pZibInput ? zib->pZibInput->pointerPos : Vector3();
  const RectF view = pCamera->getViewRect(pCamera->target.z);
  const float unitsPerPixel = (0 - pCamera->position.z) / (Camera::logicalWidth() * 0.5f);
  pointerPos = Vector3(view.left + pointer.x * unitsPerPixel, view.bottom + pointer.y * unitsPerPixel, 0);
  pointerDelta = pointerPos - prevPointerPos;
}
