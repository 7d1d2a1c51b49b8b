#include "platform/Timers.h"

#include <algorithm>
#include <atomic>
#include <chrono>
#include <cmath>
#include <condition_variable>
#include <memory>
#include <mutex>
#include <thread>
#include <unordered_map>
#include <vector>

namespace {

using Clock = std::chrono::steady_clock;

TimeSource realSource;
// Read by the timer, mixer and logging threads as well as the main one.
std::atomic<TimeSource*> currentSource{&realSource};

int64_t monotonicNanoseconds() {
  return std::chrono::duration_cast<std::chrono::nanoseconds>(Clock::now().time_since_epoch()).count();
}

struct EventObject {
  std::mutex mutex;
  std::condition_variable signal;
  bool bSignalled = false;
};

// The events and the timer thread that sets them. One object, so the thread
// is stopped before the events it reaches go away at exit.
class TimerService {
 public:
  ~TimerService() {
    {
      std::lock_guard lock(timerMutex);
      bStopping = true;
    }
    timerWake.notify_one();
    if (worker.joinable()) worker.join();
  }

  EventHandle createEvent() {
    std::lock_guard lock(eventsMutex);
    const EventHandle handle = nextEvent++;
    events.emplace(handle, std::make_shared<EventObject>());
    return handle;
  }

  bool closeEvent(EventHandle handle) {
    std::lock_guard lock(eventsMutex);
    return events.erase(handle) != 0;
  }

  std::shared_ptr<EventObject> findEvent(EventHandle handle) {
    std::lock_guard lock(eventsMutex);
    const auto it = events.find(handle);
    return it == events.end() ? nullptr : it->second;
  }

  uint32_t addTimer(uint32_t delayMs, EventHandle event) {
    std::lock_guard lock(timerMutex);
    if (!worker.joinable()) worker = std::thread([this] { run(); });
    const uint32_t id = nextTimer++;
    if (nextTimer == 0) nextTimer = 1;  // 0 means failure
    timers.push_back({Clock::now() + std::chrono::milliseconds(delayMs), event});
    std::push_heap(timers.begin(), timers.end(), later);
    timerWake.notify_one();
    return id;
  }

 private:
  struct Timer {
    Clock::time_point due;
    EventHandle event;
  };
  static bool later(const Timer& a, const Timer& b) { return a.due > b.due; }

  void run() {
    std::unique_lock lock(timerMutex);
    while (!bStopping) {
      if (timers.empty()) {
        timerWake.wait(lock);
      } else if (const Clock::time_point due = timers.front().due; Clock::now() < due) {
        timerWake.wait_until(lock, due);  // a copy: the queue may grow meanwhile
      } else {
        std::pop_heap(timers.begin(), timers.end(), later);
        const EventHandle event = timers.back().event;
        timers.pop_back();
        lock.unlock();
        SetEvent(event);  // a closed event is simply gone
        lock.lock();
      }
    }
  }

  std::mutex eventsMutex;
  std::unordered_map<EventHandle, std::shared_ptr<EventObject>> events;
  EventHandle nextEvent = 1;

  std::mutex timerMutex;
  std::condition_variable timerWake;
  std::vector<Timer> timers;  // a heap, earliest first
  uint32_t nextTimer = 1;
  bool bStopping = false;
  std::thread worker;  // started by the first timer
};

TimerService& service() {
  static TimerService instance;
  return instance;
}

}  // namespace

uint32_t timeGetTime() { return currentSource.load()->milliseconds(); }

void setTimeSource(TimeSource* source) { currentSource = source ? source : &realSource; }

bool QueryPerformanceFrequency(int64_t* frequency) {
  *frequency = currentSource.load()->frequency();
  return *frequency != 0;
}

bool QueryPerformanceCounter(int64_t* count) {
  if (currentSource.load()->frequency() == 0) {
    *count = 0;
    return false;
  }
  *count = currentSource.load()->counter();
  return true;
}

uint32_t timeGetDevCaps(TIMECAPS* caps, uint32_t size) {
  if (!caps || size < sizeof(TIMECAPS)) return TIMERR_NOCANDO;
  *caps = {1, 1000000};
  return TIMERR_NOERROR;
}

uint32_t timeBeginPeriod(uint32_t) { return TIMERR_NOERROR; }
uint32_t timeEndPeriod(uint32_t) { return TIMERR_NOERROR; }

void Sleep(uint32_t ms) { currentSource.load()->sleep(ms); }

EventHandle CreateEvent() { return service().createEvent(); }

bool SetEvent(EventHandle event) {
  const auto object = service().findEvent(event);
  if (!object) return false;
  {
    std::lock_guard lock(object->mutex);
    object->bSignalled = true;
  }
  object->signal.notify_one();
  return true;
}

bool CloseHandle(EventHandle event) { return service().closeEvent(event); }

uint32_t WaitForSingleObject(EventHandle event, uint32_t timeoutMs) {
  return currentSource.load()->wait(event, timeoutMs);
}

uint32_t timeSetEvent(uint32_t delayMs, uint32_t, EventHandle event, uintptr_t, uint32_t flags) {
  if (flags != (TIME_ONESHOT | TIME_CALLBACK_EVENT_SET)) return 0;
  return currentSource.load()->setTimer(delayMs, event);
}

int64_t TimeSource::frequency() { return 1000000000; }

int64_t TimeSource::counter() { return monotonicNanoseconds(); }

uint32_t TimeSource::milliseconds() {
  // Unsigned arithmetic: the count wraps at 2^32 like the original timer.
  return static_cast<uint32_t>(static_cast<uint64_t>(monotonicNanoseconds()) / 1000000u);
}

void TimeSource::sleep(uint32_t ms) {
  // To a deadline, so a signal that interrupts the sleep does not lengthen it.
  std::this_thread::sleep_until(Clock::now() + std::chrono::milliseconds(ms));
}

uint32_t TimeSource::setTimer(uint32_t delayMs, EventHandle event) {
  return service().findEvent(event) ? service().addTimer(delayMs, event) : 0;
}

uint32_t TimeSource::wait(EventHandle event, uint32_t timeoutMs) {
  const auto object = service().findEvent(event);
  if (!object) return WAIT_FAILED;
  std::unique_lock lock(object->mutex);
  if (!object->signal.wait_until(lock, Clock::now() + std::chrono::milliseconds(timeoutMs),
                                 [&] { return object->bSignalled; }))
    return WAIT_TIMEOUT;
  object->bSignalled = false;
  return WAIT_OBJECT_0;
}
