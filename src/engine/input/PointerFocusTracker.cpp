#include "engine/input/PointerFocusTracker.h"

#include <cmath>

#include "engine/Zib.h"
#include "engine/ZibEvent.h"
#include "engine/input/TouchContact.h"
#include "engine/input/ZibInput.h"

namespace {

// The object or one of its ancestors is disabled.
bool isDisabledInTree(const ZibBase* object) {
  for (const BasicLink* node = object; node; node = node->parent)
    if (static_cast<const ZibBase*>(node)->bDisabled) return true;
  return false;
}

}  // namespace

PointerFocusTracker::PointerFocusTracker() = default;

PointerFocusTracker::~PointerFocusTracker() {
  hoverLink.setTarget(nullptr);
  focusLink.setTarget(nullptr);
  roleLink.setTarget(nullptr);
}

void PointerFocusTracker::sendEvent(int32_t code, ZibBase* sender, ZibBase* target) {
  ZibEvent event;
  event.code = code;
  event.sender = sender;
  event.target = target ? target : sender;
  event.tracker = this;
  dispatchEvent(event.target, &event);
}

void PointerFocusTracker::setFocus(ZibBase* object) {
  ZibBase* old = focusLink.target;
  if (object == old) return;
  if (old) {
    ZibEvent lost;
    lost.code = EVENT_FOCUS_LOST;
    lost.sender = this;
    lost.target = old;
    lost.tracker = this;
    lost.extra = object;
    dispatchEvent(old, &lost);
  }
  focusLink.setTarget(object);
  if (focusLink.target) sendEvent(EVENT_FOCUS_GAINED, this, focusLink.target);
}

void PointerFocusTracker::update(ZibBase* root) {
  ZibInput* input = zib->pZibInput;
  // roleLink is never aimed: there is no network role to make active.

  int skip = input && input->isKeyDown(DIK_TAB) ? 1 : 0;
  hoverLink.setTarget(root ? root->pickObject(&skip) : nullptr);

  if (ZibBase* focus = focusLink.target; focus && (focus->bSkip || isDisabledInTree(focus))) setFocus(nullptr);
  if (!input) return;

  const TouchContact* first = input->getContact(0);
  if (first && first->bPressed) {
    pressPoint = input->pointerPos;
    ZibBase* hovered = hoverLink.target;
    if (hovered != focusLink.target && !(hovered && isDisabledInTree(hovered))) setFocus(hovered);
  }
  // Only x and y count: the wheel (z in mouse mode) moves no pointer.
  const float dx = input->pointerPos.x - pressPoint.x, dy = input->pointerPos.y - pressPoint.y;
  if (first && first->bReleased && std::sqrt(dx * dx + dy * dy) < kClickDistance)
    sendEvent(EVENT_CLICK, this, focusLink.target);
  if (input->pointerDelta.x != 0 || input->pointerDelta.y != 0) {
    sendEvent(EVENT_POINTER_MOVE, this, focusLink.target);
    if (first && first->bActive) sendEvent(EVENT_DRAG, this, focusLink.target);
  }
  if (input->getRepeatedKey() != 0 || input->typedChar != 0) sendEvent(EVENT_KEY, this, focusLink.target);
}
