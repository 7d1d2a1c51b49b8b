#include "engine/TimeKeeper.h"

#include <algorithm>
#include <cmath>

#include "engine/Logger.h"
#include "engine/Zib.h"
#include "platform/Timers.h"

ZIB_DEFINE_ROOT_CLASS(TimeKeeper, nullptr);

TimeKeeper::TimeKeeper() {
  ZIB_LOG(u"Starting...");

  TIMECAPS caps{};
  timeGetDevCaps(&caps, sizeof caps);
  const int32_t periodMin = static_cast<int32_t>(caps.wPeriodMin);
  const int32_t periodMax = static_cast<int32_t>(caps.wPeriodMax);
  ZIB_LOG(u"Multimedia timer granularity: wPeriodMin=%d", periodMin);
  ZIB_LOG(u"Multimedia timer granularity: wPeriodMax=%d", periodMax);
  timerGranularity = std::min(std::max(1, periodMin), periodMax);
  timeBeginPeriod(static_cast<uint32_t>(timerGranularity));
  ZIB_LOG(u"Using a timer granularity of %d ms.", timerGranularity);

  if (!QueryPerformanceFrequency(&counterFrequency) || counterFrequency == 0) {
    counterFrequency = 0;
    ZIB_LOG(u"QueryPerformanceFrequency failed (no high-performance counter available).");
  } else {
    ZIB_LOG(u"Created high performance counter, %I64d Hz.", counterFrequency);
    bHighPerformanceCounter = true;
    timerPeriod = 1.0 / static_cast<double>(counterFrequency);
    QueryPerformanceCounter(&counterOrigin);
  }

  // How far one Sleep(1) overruns its millisecond.
  Sleep(1);
  const double a = getElapsedTime() + 0.001;
  Sleep(1);
  const double b = getElapsedTime();
  ZIB_LOG(u"sleep() accuracy: %.3lf ms.", (b - a) * 1000.0);

  absoluteOriginMs = timeGetTime();
  absoluteTimeOrigin = absoluteOriginMs / 1000.0;
  // Without a counter the probe read the clock before this origin existed,
  // i.e. the whole system uptime, which the monotonic guard would hold on to.
  lastTime = 0.0;
  ZIB_LOG(u"absoluteTimeOrigin: %.6lf.", absoluteTimeOrigin);
  ZIB_LOG(u"Started.");
}

TimeKeeper::~TimeKeeper() { timeEndPeriod(static_cast<uint32_t>(timerGranularity)); }

double TimeKeeper::getPhysicalTime() {
  double t;
  if (!bHighPerformanceCounter) {
    t = getAbsoluteTime();
  } else {
    int64_t reading = 0;
    QueryPerformanceCounter(&reading);
    t = static_cast<double>(reading - counterOrigin) * timerPeriod;
    if (t > 5.0 && !bCalibrated) calibrate(reading, t);
  }
  if (lastTime > t) t = lastTime;
  lastTime = t;
  return t;
}

// The calibration is a step of reading the clock, and its lines say so.
#pragma push_macro("ZIB_FUNCTION")
#undef ZIB_FUNCTION
#define ZIB_FUNCTION std::u16string(u"TimeKeeper::getPhysicalTime")
void TimeKeeper::calibrate(int64_t reading, double t) {
  ZIB_LOG(u"Calibrating timerPeriod...");
  const double a = getAbsoluteTime();
  ZIB_LOG(u"getAbsoluteTime() delta: %.9lf", a);
  ZIB_LOG(u"QueryPerformanceCounter() delta: %.9lf", t);
  const double drift = (t - a) / a;
  ZIB_LOG(u"QueryPerformanceCounter() drift: %.9lf%%", drift * 100.0);
  bCalibrated = true;
  if (!(std::fabs(drift) > 0.02)) return;

  // A counter with a wrong rate is off by a few percent. A factor of two or
  // more means one of the clocks jumped (a suspend, a broken timer), and
  // scaling by it would warp the engine clock for the rest of the run.
  const double factor = a / t;
  if (!std::isfinite(factor) || factor < 0.5 || factor > 2.0) {
    ZIB_LOG(u"WARNING: Skew of %.6lf is implausible, timerPeriod left unchanged.", factor);
    return;
  }
  ZIB_LOG(u"WARNING: Skew is too great. Calibrating...");
  const auto hpcDrift = static_cast<int64_t>(static_cast<double>(counterFrequency) * t * drift);
  ZIB_LOG(u"HPCdrift: %I64d", hpcDrift);
  ZIB_LOG(u"Period scaling factor: %.6lf", factor);
  // Together the two corrections keep this reading at t and make later
  // counts run at the multimedia timer's rate.
  counterOrigin -= hpcDrift;
  timerPeriod *= factor;
  ZIB_LOG(u"QueryPerformanceCounter() delta (after adjustment): %.9lf",
          static_cast<double>(reading - counterOrigin) * timerPeriod);
}
#pragma pop_macro("ZIB_FUNCTION")

double TimeKeeper::getAbsoluteTime() {
  // An unsigned difference, so the wrap of the millisecond count at 2^32
  // does not run the clock backwards.
  return static_cast<uint32_t>(timeGetTime() - absoluteOriginMs) / 1000.0;
}

double TimeKeeper::getElapsedTime() { return getPhysicalTime() - discardedTime; }

void TimeKeeper::onZIBmodeChange(int32_t oldMode, int32_t newMode) {
  // Time out of MODE_OK does not count; with bTickWhilePaused only time in MODE_FROZEN.
  const int32_t runningMode = zib->bTickWhilePaused ? MODE_PAUSED : MODE_OK;
  if (oldMode == runningMode && newMode == runningMode - 1) {
    discardStart = getPhysicalTime();
    ZIB_LOG(u"Starting to discard time at %.3lf.", discardStart);
  } else if (oldMode == runningMode - 1 && newMode == runningMode) {
    discardedTime += getPhysicalTime() - discardStart;
    ZIB_LOG(u"Discarded time is now %.3lf.", discardedTime);
  }
}
