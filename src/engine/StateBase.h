#pragma once
// Timed state machine: every ZibBase carries one as its second base, and
// some game classes use it alone.
#include <cstdint>

class PropertyContainer;

class StateBase {
 public:
  virtual ~StateBase() = default;

  // Advances the state clock and performs a pending switch once its delay has
  // run out. Called tickState (not tick) so that it stays separately
  // overridable next to ZibBase::tick, which calls it first. `time` is unused.
  virtual void tickState(double time, double delta);
  virtual void onStateChange() {}
  // Adds "state", "timeInState", "stateLeft" and "stateGoto".
  virtual void registerProperties(PropertyContainer* container);

  // Requests `state` after `delay` seconds (at once when delay <= 0); a
  // request for the current or already pending state is ignored.
  void gotoState(int32_t state, double delay);

  int32_t state = 0;
  double timeInState = 0.0;
  double stateLeft = 0.0;
  int32_t stateGoto = 0;
};
