#include "engine/StateBase.h"

#include "engine/object/PropertyContainer.h"
#include "engine/object/PropertyDouble.h"
#include "engine/object/PropertyInt.h"

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

void StateBase::registerProperties(PropertyContainer* container) {
  container->add(new PropertyInt(u"state", 0, &state));
  container->add(new PropertyDouble(u"timeInState", Property::kFloat16, &timeInState));
  container->add(new PropertyDouble(u"stateLeft", Property::kNotReplicated, &stateLeft));
  container->add(new PropertyInt(u"stateGoto", Property::kNotReplicated, &stateGoto));
}
