#pragma once
// Clocks, sleeps, auto-reset events and one-shot timers, with the semantics of
// the Windows multimedia and kernel calls the engine is written against.
#include <cstdint>

// The multimedia clock: milliseconds from a monotonic source, wrapping at 2^32.
uint32_t timeGetTime();

// The high-resolution counter: nanoseconds of the monotonic clock. Both are
// false when the time source has no such counter (frequency 0).
bool QueryPerformanceFrequency(int64_t* frequency);
bool QueryPerformanceCounter(int64_t* count);

struct TIMECAPS {
  uint32_t wPeriodMin;
  uint32_t wPeriodMax;
};
constexpr uint32_t TIMERR_NOERROR = 0;
constexpr uint32_t TIMERR_NOCANDO = 97;

uint32_t timeGetDevCaps(TIMECAPS* caps, uint32_t size);
// The monotonic clock needs no resolution request: both only report success.
uint32_t timeBeginPeriod(uint32_t period);
uint32_t timeEndPeriod(uint32_t period);

void Sleep(uint32_t ms);

// Auto-reset events: a set lets exactly one wait through, now or later.
// Handles are never reused; a closed one is simply invalid.
using EventHandle = uint32_t;
// Unsignalled; never 0.
EventHandle CreateEvent();
bool SetEvent(EventHandle event);
bool CloseHandle(EventHandle event);

constexpr uint32_t WAIT_OBJECT_0 = 0;
constexpr uint32_t WAIT_ABANDONED = 0x80;
constexpr uint32_t WAIT_TIMEOUT = 0x102;
constexpr uint32_t WAIT_FAILED = 0xFFFFFFFF;

// WAIT_OBJECT_0 (and the event is reset), WAIT_TIMEOUT, or WAIT_FAILED for an
// invalid handle.
uint32_t WaitForSingleObject(EventHandle event, uint32_t timeoutMs);

constexpr uint32_t TIME_ONESHOT = 0;
constexpr uint32_t TIME_CALLBACK_EVENT_SET = 0x10;

// Sets `event` once, `delayMs` from now, from the timer thread. Only the
// one-shot event-setting kind exists; the resolution and user data are
// accepted and unused. Returns the timer's id, 0 on failure.
uint32_t timeSetEvent(uint32_t delayMs, uint32_t resolution, EventHandle event, uintptr_t userData,
                      uint32_t flags);

// The one clock and sleep of the process: every call above (and so the
// engine's timers, frame pacing and idle sleeps) goes through it. The base
// class is the real one; setTimeSource installs a replacement (tests), null
// restores it.
struct TimeSource {
  virtual ~TimeSource() = default;
  // Counts per second of the high-resolution counter; 0 when there is none.
  virtual int64_t frequency();
  virtual int64_t counter();
  virtual uint32_t milliseconds();
  virtual void sleep(uint32_t ms);
  // A one-shot timer that sets `event`; its id, 0 on failure.
  virtual uint32_t setTimer(uint32_t delayMs, EventHandle event);
  virtual uint32_t wait(EventHandle event, uint32_t timeoutMs);
};
void setTimeSource(TimeSource* source);
