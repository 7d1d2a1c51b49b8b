#pragma once
// Decides which object of the screen tree has the input focus and turns the
// frame's input into events for it: focus lost and gained, click, drag,
// pointer move and key. It follows the object under the pointer and moves
// the focus to it when the first contact goes down.
#include <cstdint>

#include "engine/ObjectLink.h"
#include "base/Vector3.h"
#include "engine/ZibBase.h"

class PointerFocusTracker : public ZibBase {
 public:
  enum : int32_t {
    EVENT_FOCUS_LOST = 2,
    EVENT_FOCUS_GAINED = 3,
    EVENT_CLICK = 4,
    EVENT_DRAG = 5,
    EVENT_KEY = 6,
    EVENT_POINTER_MOVE = 7,
  };
  // A release closer than this (logical units) to the press is a click.
  static constexpr float kClickDistance = 2.0f;

  PointerFocusTracker();
  ~PointerFocusTracker() override;

  // The per-frame step over the root context of the frame.
  void update(ZibBase* root);
  void setFocus(ZibBase* object);
  // (code, sender, target, this tracker, 0, 0) to the target, or to the sender when it is null.
  void sendEvent(int32_t code, ZibBase* sender, ZibBase* target);

  ZibBase* getFocus() const { return focusLink.target; }
  ZibBase* getHover() const { return hoverLink.target; }

  ObjectLink roleLink{this};
  Vector3 pressPoint;
  ObjectLink focusLink{this};
  ObjectLink hoverLink{this};
};
