#include "support/ManualTimeSource.h"

#include <algorithm>
#include <cmath>

void ManualTimeSource::advance(double seconds) {
  const int64_t stepMs = std::llround(seconds * 1000.0);
  count += std::llround(seconds * static_cast<double>(countsPerSecond) * counterRate);
  ms += static_cast<uint32_t>(stepMs);
  elapsedMs += static_cast<uint64_t>(stepMs);
  std::erase_if(pending, [this](const Pending& timer) {
    if (timer.due > elapsedMs) return false;
    SetEvent(timer.event);
    return true;
  });
}

void ManualTimeSource::sleep(uint32_t sleepMs) {
  sleeps.push_back(sleepMs);
  advance(sleepMs / 1000.0);
}

uint32_t ManualTimeSource::setTimer(uint32_t delayMs, EventHandle event) {
  if (bTimersFail) return 0;
  timerDelays.push_back(delayMs);
  pending.push_back({elapsedMs + delayMs, event});
  return static_cast<uint32_t>(timerDelays.size());
}

uint32_t ManualTimeSource::wait(EventHandle event, uint32_t timeoutMs) {
  // Already set (or invalid): the real event answers at once.
  const uint32_t now = TimeSource::wait(event, 0);
  if (now != WAIT_TIMEOUT) return now;
  uint64_t firstDue = UINT64_MAX;
  for (const Pending& timer : pending)
    if (timer.event == event) firstDue = std::min(firstDue, timer.due);
  if (firstDue - elapsedMs <= timeoutMs) {
    advance(static_cast<double>(firstDue - elapsedMs) / 1000.0);
    return TimeSource::wait(event, 0);
  }
  advance(timeoutMs / 1000.0);
  return WAIT_TIMEOUT;
}
