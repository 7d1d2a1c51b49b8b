#include "engine/ZibTimer.h"

#include <gtest/gtest.h>

#include <chrono>
#include <string>
#include <vector>

#include "engine/TimeKeeper.h"
#include "engine/Zib.h"
#include "platform/Timers.h"
#include "support/EngineFixture.h"
#include "support/TestPlatform.h"

namespace {

using Delays = std::vector<uint32_t>;

class ZibTimerTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    zib->pTimeKeeper = new TimeKeeper();
    clock.sleeps.clear();  // the time keeper's start-up probe
    clock.advance(1.0);
  }
  static double now() { return zib->pTimeKeeper->getElapsedTime(); }

  TestPlatform platform;
  ManualTimeSource& clock = platform.clock();
  ZibTimer timer;
};

TEST_F(ZibTimerTest, WaitSleepsOutTheRestOfThePeriodOnTheTimer) {
  timer.lateness = 0.25;
  timer.start(0.0205);
  EXPECT_DOUBLE_EQ(timer.lateness, 0.25);  // start keeps it

  clock.advance(0.005);
  timer.wait();
  EXPECT_EQ(clock.timerDelays, Delays{15});  // truncated
  EXPECT_TRUE(clock.sleeps.empty());
  EXPECT_NEAR(timer.lastTime - timer.previousTime, 0.02, 1e-9);
  EXPECT_NEAR(timer.lateness, -0.0005, 1e-9);

  // A period already over: no wait, and the next period runs from the actual wake-up: a late frame is not made up.
  clock.advance(0.0305);
  timer.wait();
  EXPECT_EQ(clock.timerDelays, Delays{15});
  EXPECT_NEAR(timer.lateness, 0.01, 1e-9);
  EXPECT_NEAR(timer.lastTime - timer.previousTime, 0.0305, 1e-9);

  timer.start(0.0009);  // below a millisecond: a zero delay, not one
  timer.wait();
  EXPECT_EQ(clock.timerDelays, (Delays{15, 0}));
}

TEST_F(ZibTimerTest, PacedFramesKeepTheirRateWhateverTheWorkWithinAPeriod) {
  timer.start(1.0 / 60);
  const double begin = now();
  for (int frame = 0; frame < 120; ++frame) {
    clock.advance(0.001 * (frame % 15));  // 0 to 14 ms of work
    timer.wait();
  }
  // Delays truncated to whole milliseconds make a frame up to one short, never long.
  EXPECT_LE(now() - begin, 2.0 + 1e-9);
  EXPECT_GE(now() - begin, 2.0 - 0.12);
}

TEST_F(ZibTimerTest, TimeoutLeavesTheEventSetForTheNextWaitAndAFailedWaitIsFatal) {
  timer.start(2.5);
  timer.wait();
  EXPECT_NE(logText().find("ZibTimer::wait(): Warning: WaitForSingleObject timed out!\r\n"), std::string::npos);
  EXPECT_NEAR(timer.lateness, -1.5, 1e-9);

  clock.advance(2.0);  // the first timer fires meanwhile
  const double before = now();
  timer.wait();
  EXPECT_DOUBLE_EQ(now(), before);  // returned at once
  EXPECT_NEAR(timer.lateness, -0.5, 1e-9);

  CloseHandle(timer.hEvent);
  timer.start(0.02);
  EXPECT_FATAL(timer.wait(), "Unknown result ffffffff\n Function: ZibTimer::wait()");
}

TEST_F(ZibTimerTest, SleepsWhenThereIsNoTimer) {
  clock.bTimersFail = true;
  timer.start(0.02);
  timer.wait();
  EXPECT_EQ(clock.sleeps, Delays{20});

  clock.bTimersFail = false;
  zib->osName = u"Windows95";
  timer.start(0.03);
  timer.wait();
  EXPECT_EQ(clock.sleeps, (Delays{20, 30}));
  EXPECT_TRUE(clock.timerDelays.empty());
  EXPECT_NEAR(timer.lateness, 0.0, 1e-9);
}

TEST(TimersTest, RealEventsAndTimers) {
  using namespace std::chrono;
  const EventHandle event = CreateEvent();
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);
  EXPECT_TRUE(SetEvent(event));
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_OBJECT_0);
  EXPECT_EQ(WaitForSingleObject(event, 0), WAIT_TIMEOUT);  // auto-reset

  // A later timer queued first must not hold back an earlier one.
  const EventHandle late = CreateEvent();
  EXPECT_NE(timeSetEvent(60000, 1, late, 0, TIME_ONESHOT | TIME_CALLBACK_EVENT_SET), 0u);
  const auto start = steady_clock::now();
  EXPECT_NE(timeSetEvent(20, 1, event, 0, TIME_ONESHOT | TIME_CALLBACK_EVENT_SET), 0u);
  EXPECT_EQ(WaitForSingleObject(event, 5000), WAIT_OBJECT_0);
  const auto waited = steady_clock::now() - start;
  EXPECT_GE(waited, milliseconds(20));
  EXPECT_LT(waited, milliseconds(4000));
  EXPECT_TRUE(CloseHandle(late));  // its timer will find it gone

  EXPECT_EQ(timeSetEvent(20, 1, event, 0, 0x01), 0u);  // periodic timers do not exist
  EXPECT_EQ(timeSetEvent(20, 1, late, 0, TIME_ONESHOT | TIME_CALLBACK_EVENT_SET), 0u);
  EXPECT_EQ(WaitForSingleObject(late, 0), WAIT_FAILED);
  EXPECT_FALSE(SetEvent(late));
  EXPECT_FALSE(CloseHandle(late));
  EXPECT_TRUE(CloseHandle(event));
}

}  // namespace
