#pragma once
// The test clock (installed through TestPlatform).
#include <cstdint>
#include <vector>

#include "platform/Timers.h"

// A time source that moves only when told: by advance, by its sleeps and by
// waits that run until a timer fires or the timeout passes. Its timers set
// their event when the clock reaches them.
class ManualTimeSource : public TimeSource {
 public:
  // Moves both clocks; the counter runs `counterRate` times as fast.
  void advance(double seconds);

  int64_t frequency() override { return countsPerSecond; }
  int64_t counter() override { return count; }
  uint32_t milliseconds() override { return ms; }
  void sleep(uint32_t sleepMs) override;
  uint32_t setTimer(uint32_t delayMs, EventHandle event) override;
  uint32_t wait(EventHandle event, uint32_t timeoutMs) override;

  int64_t countsPerSecond = 1000000000;
  int64_t count = 0;
  uint32_t ms = 0;
  double counterRate = 1.0;
  bool bTimersFail = false;
  std::vector<uint32_t> sleeps;       // every sleep asked for
  std::vector<uint32_t> timerDelays;  // every timer asked for

 private:
  struct Pending {
    uint64_t due;  // on `elapsedMs`
    EventHandle event;
  };
  std::vector<Pending> pending;
  uint64_t elapsedMs = 0;  // milliseconds advanced, never wrapping
};
