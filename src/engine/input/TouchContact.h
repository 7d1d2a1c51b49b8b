#pragma once
// One touch point or mouse press: its positions and times, and a state
// machine (new, pressed, held, released) that turns the window's events into
// flags that hold for one poll. Contacts are the children of ZibInput's
// contactList, in creation order; the first is the pointer contact.
#include <cstdint>

#include "base/Vector3.h"
#include "engine/ZibBase.h"

class TouchContact : public ZibBase {
 public:
  enum : int32_t { STATE_NEW = 0, STATE_PRESSED = 1, STATE_HELD = 2, STATE_RELEASED = 3 };
  // Window pixels a held contact must move from where it began to count as dragged.
  static constexpr float kDragDistance = 20.0f;

  TouchContact();
  void tick(double time, double delta) override;
  void onStateChange() override;

  // Engine-wide, from 0.
  static inline uint32_t contactCounter = 0;

  uint32_t id;
  Vector3 startRawPos;
  Vector3 rawPos;
  Vector3 prevRawPos;
  Vector3 pressPos;
  Vector3 pos;
  Vector3 delta;
  Vector3 velocity;
  double time = 0;
  double prevTime = 0;
  ZibBase* handled = nullptr;
  int32_t usage = 0;
  // The platform's touch point id; 0 for a mouse press; -1 once ended or for a synthetic click.
  int32_t tag = -1;
  int32_t pressFrame = -1;
  int32_t releaseFrame = -1;
  int32_t moveFrame = -1;
  bool bPressed = false;
  bool bReleased = false;
  bool bActive = false;
  bool bClicked = false;
  bool bDragged = false;
};
