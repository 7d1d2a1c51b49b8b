#include "engine/ZibTimer.h"

#include <algorithm>

#include "engine/ErrorManager.h"
#include "engine/Logger.h"
#include "engine/TimeKeeper.h"
#include "engine/Zib.h"

ZibTimer::ZibTimer() : hEvent(CreateEvent()) {}

ZibTimer::~ZibTimer() { CloseHandle(hEvent); }

void ZibTimer::start(double newPeriod) {
  lastTime = previousTime = zib->pTimeKeeper->getElapsedTime();
  period = newPeriod;
}

void ZibTimer::wait() {
  const double target = period + lastTime;
  const double remaining = target - zib->pTimeKeeper->getElapsedTime();
  if (remaining > 0) {
    // Truncated; clamped so that an endless period cannot overflow the count.
    const auto ms = static_cast<uint32_t>(std::min(remaining * 1000.0, 4294967295.0));
    if (zib->osName == u"Windows95") {
      Sleep(ms);
    } else if (!timeSetEvent(ms, 1, hEvent, 0, TIME_ONESHOT | TIME_CALLBACK_EVENT_SET)) {
      Sleep(ms);
    } else {
      const uint32_t result = WaitForSingleObject(hEvent, 1000);
      if (result == WAIT_TIMEOUT)
        ZIB_LOG(u"Warning: WaitForSingleObject timed out!");
      else if (result != WAIT_OBJECT_0 && result != WAIT_ABANDONED)
        ZIB_ERROR(u"Unknown result %08x", result);
    }
  }
  const double now = zib->pTimeKeeper->getElapsedTime();
  lateness = now - target;
  previousTime = lastTime;
  lastTime = now;
}
