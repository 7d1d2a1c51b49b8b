#include "graphics/Context.h"

#include <algorithm>

#include "engine/Zib.h"

ZIB_DEFINE_CLASS(Context, ZibBase, makeObject<Context>);

// The camera, the clear and the pointer projection join with the scene layer;
// a Context without a camera skips the camera steps.
Context::Context() = default;

Context::~Context() = default;

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
  tickContents(time, delta);

  zib->currentContext = saved;
  if (pOverlay) pOverlay->tick(time, delta);
}

void Context::render() {
  if (pBackground) pBackground->render();
  Context* const saved = zib->currentContext;
  zib->currentContext = this;
  renderContents();
  zib->currentContext = saved;
  if (pOverlay) pOverlay->render();
}
