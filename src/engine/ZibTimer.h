#pragma once
// The frame pacer: after each frame, sleeps until one period has passed since
// the previous frame ended, on a one-shot timer that sets an auto-reset event.
#include "platform/Timers.h"

class ZibTimer {
 public:
  // Creates the event: auto-reset, not signalled.
  ZibTimer();
  ~ZibTimer();
  ZibTimer(const ZibTimer&) = delete;
  ZibTimer& operator=(const ZibTimer&) = delete;

  // Restarts pacing from now (engine time) with the given period in seconds.
  void start(double period);
  // Waits out the rest of the period; a late frame is not made up by a
  // shorter next one.
  void wait();

  double lateness = 0.0;  // how much later than its target the last wait ended
  double lastTime = 0.0;  // engine time at which the last wait ended (or start ran)
  double previousTime = 0.0;
  double period = 0.0;
  EventHandle hEvent;
};
