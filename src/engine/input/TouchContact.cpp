#include "engine/input/TouchContact.h"

#include <cmath>

#include "engine/Zib.h"
#include "engine/input/ZibInput.h"

namespace {

float length(const Vector3& v) { return std::sqrt(v.x * v.x + v.y * v.y + v.z * v.z); }

Vector3 toView(const Vector3& raw) {
  return zib->pZibInput ? zib->pZibInput->windowToView(raw.x, raw.y, raw.z) : raw;
}

// The frame number lies in [0, frameCounter].
bool reached(int32_t frame) { return frame >= 0 && frame <= zib->frameCounter; }

}  // namespace

TouchContact::TouchContact() : id(contactCounter++) {}

void TouchContact::tick(double time_, double delta_) {
  ZibBase::tick(time_, delta_);

  const Vector3 oldPos = pos;
  pos = toView(rawPos);
  delta = pos - oldPos;

  const int32_t frame = zib->frameCounter;
  if (moveFrame == frame && pressFrame != frame && releaseFrame != frame && time - prevTime > 0) {
    velocity = (pos - toView(prevRawPos)) * static_cast<float>(1.0 / (time - prevTime));
    if (length(velocity) < 10.0f) velocity = Vector3();
  }
  if (frame > moveFrame + 10) velocity = Vector3();

  switch (state) {
    case STATE_NEW:
      if (reached(pressFrame)) gotoState(STATE_PRESSED, 0);
      break;
    case STATE_PRESSED:
      gotoState(reached(releaseFrame) ? STATE_RELEASED : STATE_HELD, 0);
      break;
    case STATE_HELD:
      if (!bDragged && length(rawPos - startRawPos) > kDragDistance) bDragged = true;
      if (reached(releaseFrame)) gotoState(STATE_RELEASED, 0);
      break;
    case STATE_RELEASED:
      bDeletePending = 1;  // the contact list's walk destroys it after this tick
      break;
  }
}

void TouchContact::onStateChange() {
  bPressed = bReleased = bActive = false;
  switch (state) {
    case STATE_PRESSED:
      pressPos = pos;
      delta = Vector3();
      bPressed = bActive = true;
      break;
    case STATE_HELD:
      bActive = true;
      break;
    case STATE_RELEASED:
      bReleased = true;
      if (!bDragged) bClicked = true;
      break;
  }
}
