#include "engine/StateBase.h"

void StateBase::tickState(double, double delta) {
  timeInState += delta;
  if (stateLeft > 0.0) {
    stateLeft -= delta;
    if (stateLeft <= 0.0) {
      // The new state starts at 0, not at the overshoot.
      timeInState = 0.0;
      state = stateGoto;
      onStateChange();
    }
  }
}

void StateBase::gotoState(int32_t s, double delay) {
  if (s == stateGoto) return;
  stateGoto = s;
  stateLeft = delay;
  if (delay <= 0.0) {
    timeInState = 0.0;
    state = s;
    onStateChange();
  }
}
