#include "engine/TimeKeeper.h"

#include <gtest/gtest.h>

#include <string>

#include "engine/Zib.h"
#include "support/EngineFixture.h"
#include "support/TestPlatform.h"

namespace {

class TimeKeeperTest : public EngineTest {
 protected:
  void SetUp() override {
    clock.ms = 3600000;  // an hour of uptime
    EngineTest::SetUp();
  }
  // The root deletes the last one.
  void makeKeeper() {
    delete keeper;
    keeper = zib->pTimeKeeper = new TimeKeeper();
  }
  static size_t count(const std::string& text, const std::string& needle) {
    size_t n = 0;
    for (size_t at = text.find(needle); at != std::string::npos; at = text.find(needle, at + 1)) ++n;
    return n;
  }

  TestPlatform platform;
  ManualTimeSource& clock = platform.clock();
  TimeKeeper* keeper = nullptr;
};

TEST_F(TimeKeeperTest, StartUpProbesTheSleepAndStartsNearZeroWithOrWithoutTheCounter) {
  makeKeeper();
  EXPECT_DOUBLE_EQ(keeper->absoluteTimeOrigin, 3600.002);
  EXPECT_EQ(clock.sleeps, (std::vector<uint32_t>{1, 1}));
  EXPECT_EQ(keeper->timerGranularity, 1);
  EXPECT_DOUBLE_EQ(keeper->getPhysicalTime(), 0.002);  // the counter started before the probe
  EXPECT_DOUBLE_EQ(keeper->getAbsoluteTime(), 0.0);

  // Without the counter it runs on the milliseconds from zero.
  clock.countsPerSecond = 0;
  makeKeeper();
  EXPECT_FALSE(keeper->bHighPerformanceCounter);
  // The start-up probe must not leave the hour of uptime behind as a floor.
  EXPECT_DOUBLE_EQ(keeper->getPhysicalTime(), 0.0);
  clock.advance(7.5);
  EXPECT_DOUBLE_EQ(keeper->getPhysicalTime(), 7.5);
  EXPECT_FALSE(keeper->bCalibrated);
  EXPECT_EQ(logText().find("Calibrating"), std::string::npos);
}

TEST_F(TimeKeeperTest, MillisecondCountIsUnsignedAcrossBothWraps) {
  clock.ms = 0x80000000u + 5;  // top bit set: still a large positive count
  makeKeeper();
  EXPECT_DOUBLE_EQ(keeper->absoluteTimeOrigin, 2147483.655);

  clock.ms = 0xFFFFF000u;  // 4.096 s before the count wraps to 0
  makeKeeper();
  clock.advance(6.0);
  EXPECT_DOUBLE_EQ(keeper->getAbsoluteTime(), 6.0);
  // The calibration compares like with like: no skew, nothing corrected.
  EXPECT_NEAR(keeper->getPhysicalTime(), 6.002, 1e-9);
  EXPECT_TRUE(keeper->bCalibrated);
  EXPECT_DOUBLE_EQ(keeper->timerPeriod, 1e-9);
  EXPECT_EQ(logText().find("Skew"), std::string::npos);
}

TEST_F(TimeKeeperTest, FastCounterIsCalibratedOnceWithoutGoingBack) {
  clock.counterRate = 1.1;
  makeKeeper();
  clock.advance(4.0);
  keeper->getPhysicalTime();
  EXPECT_FALSE(keeper->bCalibrated);  // not before 5 s
  clock.advance(1.0);
  const double first = keeper->getPhysicalTime();
  EXPECT_DOUBLE_EQ(first, 5.5022);  // uncorrected
  EXPECT_TRUE(keeper->bCalibrated);
  EXPECT_NEAR(keeper->timerPeriod, 1e-9 * 5.0 / 5.5022, 1e-18);
  const double next = keeper->getPhysicalTime();
  EXPECT_GE(next, first);
  EXPECT_NEAR(next, first, 1e-9);
  clock.advance(1.0);  // now near the millisecond clock's rate, not 1.1
  EXPECT_NEAR(keeper->getPhysicalTime() - next, 1.0, 1e-3);

  EXPECT_EQ(count(logText(), "TimeKeeper::getPhysicalTime(): Calibrating timerPeriod..."), 1u);
}

TEST_F(TimeKeeperTest, DriftOfTwoPercentIsTheLimitAndImplausibleSkewLeavesThePeriodAlone) {
  clock.countsPerSecond = 1024;  // exact periods, so the drift is exactly 0.02
  for (uint32_t ms : {50000u, 49999u}) {
    makeKeeper();
    const int64_t origin = keeper->counterOrigin;
    clock.count = origin + 51 * 1024;
    clock.ms = keeper->absoluteOriginMs + ms;
    EXPECT_DOUBLE_EQ(keeper->getPhysicalTime(), 51.0);
    EXPECT_TRUE(keeper->bCalibrated);
    EXPECT_EQ(keeper->counterOrigin == origin, ms == 50000u) << ms;
    EXPECT_EQ(keeper->timerPeriod == 1.0 / 1024, ms == 50000u) << ms;
  }

  clock.countsPerSecond = 1000000000;
  makeKeeper();
  clock.count += 10000000000;  // the counter jumped 10 s while the milliseconds saw 3 s
  clock.ms += 3000;
  EXPECT_NEAR(keeper->getPhysicalTime(), 10.002, 1e-9);
  EXPECT_TRUE(keeper->bCalibrated);
  EXPECT_DOUBLE_EQ(keeper->timerPeriod, 1e-9);

  makeKeeper();
  clock.count += 6000000000;  // the milliseconds stalled: infinite drift
  EXPECT_NEAR(keeper->getPhysicalTime(), 6.002, 1e-9);
  EXPECT_DOUBLE_EQ(keeper->timerPeriod, 1e-9);
  EXPECT_EQ(count(logText(), "is implausible, timerPeriod left unchanged."), 2u);
  EXPECT_EQ(count(logText(), "WARNING: Skew is too great. Calibrating..."), 1u);  // at 49999 ms alone
}

TEST_F(TimeKeeperTest, DiscardedSpansFollowTheTickWhilePausedSetting) {
  for (bool tickWhilePaused : {false, true}) {
    zib->bTickWhilePaused = tickWhilePaused;
    makeKeeper();
    auto trip = [&](int32_t away) {
      const int32_t home = away + 1;
      const double behind = keeper->getPhysicalTime() - keeper->getElapsedTime();
      keeper->onZIBmodeChange(home, away);
      clock.advance(10.0);
      keeper->onZIBmodeChange(away, home);
      return keeper->getPhysicalTime() - keeper->getElapsedTime() - behind;
    };
    EXPECT_NEAR(trip(MODE_PAUSED), tickWhilePaused ? 0.0 : 10.0, 1e-9) << tickWhilePaused;
    EXPECT_NEAR(trip(MODE_FROZEN), tickWhilePaused ? 10.0 : 0.0, 1e-9) << tickWhilePaused;
    keeper->onZIBmodeChange(MODE_OK, MODE_OK);  // not a step: nothing
    EXPECT_NEAR(keeper->discardedTime, 10.0, 1e-9);
  }
}

}  // namespace
