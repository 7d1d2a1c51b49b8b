#pragma once
// The engine clock: seconds since start-up from the high-resolution counter,
// checked once against the multimedia timer, never running backwards, with a
// running total of the time the engine was not running normally.
#include <cstdint>

#include "engine/ZibBase.h"

class TimeKeeper : public ZibBase {
  ZIB_DECLARE_CLASS()
 public:
  // Requests the timer granularity and takes both clocks' origins; logs as it goes.
  TimeKeeper();
  ~TimeKeeper() override;

  // Seconds since the constructor, never less than an earlier result.
  double getPhysicalTime();
  // Multimedia-timer seconds since the constructor (wraps after 49.7 days).
  double getAbsoluteTime();
  // getPhysicalTime without the discarded spans: the engine time.
  double getElapsedTime();
  // Starts or ends a discarded span; which steps do depends on zib->bTickWhilePaused.
  void onZIBmodeChange(int32_t oldMode, int32_t newMode) override;

  int64_t counterOrigin = 0;
  int64_t counterFrequency = 0;  // 0: no high-resolution counter
  double timerPeriod = 0.0;      // seconds per count
  bool bHighPerformanceCounter = false;
  int32_t timerGranularity = 0;  // milliseconds, as requested from timeBeginPeriod
  double discardStart = 0.0;
  double discardedTime = 0.0;
  double lastTime = 0.0;
  double absoluteTimeOrigin = 0.0;  // seconds
  bool bCalibrated = false;
  uint32_t absoluteOriginMs = 0;  // the same origin as a raw millisecond count

 private:
  // The one-time check of the counter against the multimedia timer, at
  // counter time t from `reading`.
  void calibrate(int64_t reading, double t);
};
