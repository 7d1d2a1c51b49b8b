#include <gtest/gtest.h>

#include <string>
#include <utility>
#include <vector>

#include "engine/TimeKeeper.h"
#include "engine/Zib.h"
#include "graphics/Context.h"
#include "support/EngineFixture.h"
#include "support/TestPlatform.h"

namespace {

using Steps = std::vector<std::pair<int32_t, int32_t>>;
using Sleeps = std::vector<uint32_t>;
using Device = Zib::FrameDevice;

struct FakeDevice : Device {
  int32_t testCooperativeLevel() override { return ++tests, level; }
  bool restorePresentation() override { return ++restores, restoreResult; }
  void beginScene() override { ++scenes; }
  void endScene() override {}
  void present() override { ++presents; }
  int32_t level = kOk;
  bool restoreResult = true;
  int tests = 0, restores = 0, scenes = 0, presents = 0;
};

// Records the mode steps it is told of, destroying its victims at the first.
struct ModeListener : ZibBase {
  explicit ModeListener(Steps& steps) : steps(steps) {}
  void onZIBmodeChange(int32_t oldMode, int32_t newMode) override {
    steps.emplace_back(oldMode, newMode);
    for (ZibBase* victim : std::exchange(victims, {})) victim->destroy();
  }
  Steps& steps;
  std::vector<ZibBase*> victims;
};

struct CountingContext : Context {
  void frameTick(double time, double delta) override { ++ticks, Context::frameTick(time, delta); }
  void frameRender() override { ++renders, Context::frameRender(); }
  int ticks = 0, renders = 0;
};

class FrameLoopTest : public EngineTest {
 protected:
  TestPlatform platform;

  void SetUp() override {
    platform.clock();  // every sleep and timer on the test clock
    EngineTest::SetUp();
    zib->pTimeKeeper = new TimeKeeper();
    zib->frameTimer.start(0.001);
    zib->pFrameDevice = &device;
    listener = new ModeListener(steps);
  }
  void TearDown() override {
    delete listener;
    EngineTest::TearDown();
  }

  FakeDevice device;
  // The idle modes' sleeps; the frame pacing's short ones are the timer's business.
  Sleeps idleSleeps() {
    const Sleeps& sleeps = platform.clock().sleeps;
    Sleeps idle;
    for (uint32_t ms : sleeps)
      if (ms >= 100) idle.push_back(ms);
    return idle;
  }
  Steps steps;
  ModeListener* listener = nullptr;
};

TEST_F(FrameLoopTest, LostDeviceFreezesInOneFrameAndClimbsBackOneStepPerFrame) {
  device.level = Device::kDeviceLost;
  zib->frame(nullptr);
  EXPECT_EQ(steps, (Steps{{3, 2}, {2, 1}}));
  EXPECT_NE(logText().find("Zib::frame(): OK dxDevice->TestCooperativeLevel() returned D3DERR_DEVICELOST (0x88760868)."),
            std::string::npos);

  zib->frame(nullptr);  // still lost: a second's sleep, no restore
  EXPECT_EQ(idleSleeps(), Sleeps{1000});
  EXPECT_EQ(device.restores, 0);

  device.level = Device::kDeviceNotReset;
  zib->frame(nullptr);
  EXPECT_EQ(device.restores, 1);
  device.level = Device::kOk;
  zib->frame(nullptr);
  EXPECT_EQ(steps, (Steps{{3, 2}, {2, 1}, {1, 2}, {2, 3}}));
  EXPECT_EQ(device.scenes + device.presents + zib->frameCounter, 0) << "a frame that changes the mode does nothing else";

  zib->frame(nullptr);
  EXPECT_EQ(device.scenes, 1);
  EXPECT_EQ(device.presents, 1);
  EXPECT_EQ(zib->frameCounter, 1);
}

TEST_F(FrameLoopTest, FrozenSleepsWithoutFocusAndRetriesFailedRestores) {
  zib->zibMode = MODE_FROZEN;
  zib->bHasFocus = false;
  zib->frame(nullptr);
  EXPECT_EQ(device.tests, 0) << "without focus the device is not asked";

  zib->bHasFocus = true;
  device.restoreResult = false;
  zib->frame(nullptr);
  zib->frame(nullptr);
  EXPECT_EQ(device.restores, 2);
  EXPECT_EQ(idleSleeps(), (Sleeps{100, 1000, 1000}));
  EXPECT_EQ(zib->zibMode, MODE_FROZEN);
}

TEST_F(FrameLoopTest, PausedRendersWithoutTickingUnlessTickWhilePaused) {
  CountingContext root;
  zib->bHasFocus = false;
  for (int i = 0; i < 3; ++i) zib->frame(&root);
  EXPECT_EQ(steps, (Steps{{3, 2}}));
  EXPECT_EQ(idleSleeps(), (Sleeps{500, 500}));
  EXPECT_EQ(root.renders, 2);
  EXPECT_EQ(device.presents, 2);
  EXPECT_EQ(root.ticks + zib->frameCounter, 0);

  zib->bTickWhilePaused = true;
  zib->frame(&root);
  EXPECT_EQ(idleSleeps().size(), 2u);
  EXPECT_EQ(root.ticks, 1);
  EXPECT_EQ(zib->frameCounter, 1);

  device.level = Device::kDeviceLost;
  zib->frame(&root);
  EXPECT_EQ(zib->zibMode, MODE_FROZEN);
}

TEST_F(FrameLoopTest, TickedFramesTickTheRootAndKeepTheStatistics) {
  CountingContext root;
  zib->frameStats[4] = 9;
  for (int i = 0; i < 3; ++i) zib->frame(&root);
  EXPECT_EQ(root.ticks, 3);
  EXPECT_EQ(root.renders, 3);
  EXPECT_EQ(zib->frameStats[4], 0);
  EXPECT_EQ(zib->lastFrameTime, zib->phaseTime[4]);
  EXPECT_GT(zib->currentFps, 0.0);
  EXPECT_EQ(zib->statHistory[0][3], static_cast<int32_t>((zib->phaseTime[4] - zib->phaseTime[1]) * 1000));
  // The root's clock moves by the frame timer's step.
  EXPECT_GT(zib->getFrameDelta(), 0.0);
  EXPECT_EQ(zib->getFrameDelta(), zib->frameTimer.lastTime - zib->frameTimer.previousTime);
  EXPECT_GT(root.time, 0.0);

  zib->frame(nullptr);  // no root: still ticks and presents
  EXPECT_EQ(zib->frameCounter, 4);
  EXPECT_EQ(device.presents, 4);
}

TEST_F(FrameLoopTest, RestartPresentationFreezesFromOkAndFromPaused) {
  zib->bRestartPresentation = true;
  zib->frame(nullptr);
  EXPECT_EQ(device.presents, 1) << "the frame itself runs to its end";
  EXPECT_EQ(steps, (Steps{{3, 2}, {2, 1}}));
  EXPECT_FALSE(zib->bRestartPresentation);

  zib->frame(nullptr);  // restored: paused
  zib->bHasFocus = false;
  zib->bRestartPresentation = true;
  zib->frame(nullptr);
  EXPECT_EQ(zib->zibMode, MODE_FROZEN);
  EXPECT_FALSE(zib->bRestartPresentation);
}

TEST_F(FrameLoopTest, ModeRequestsAreCheckedAndIgnoredDuringShutdown) {
  zib->zibMode = MODE_FROZEN;
  zib->changeZIBmode(MODE_OK);
  zib->changeZIBmode(MODE_OK);
  EXPECT_EQ(steps, (Steps{{1, 2}, {2, 3}}));

  zib->bShuttingDown = true;
  zib->changeZIBmode(MODE_FROZEN);
  EXPECT_EQ(zib->zibMode, MODE_OK);

  // Last: a fatal report ends the engine's normal life.
  EXPECT_FATAL(zib->changeZIBmode(0), "requested >= MODE_FROZEN");
  EXPECT_FATAL(zib->changeZIBmode(4), "requested <= MODE_OK");
  zib->zibMode = 7;
  EXPECT_FATAL(zib->frame(nullptr), "zibMode >= MODE_FROZEN");
}

TEST_F(FrameLoopTest, ListenersMayDestroyOtherObjects) {
  Steps laterSteps, lastSteps;
  auto* later = new ModeListener(laterSteps);
  auto* last = new ModeListener(lastSteps);
  // An object already told (the clock) and two still to be told.
  listener->victims = {zib->pTimeKeeper, later, new ModeListener(lastSteps)};
  zib->pTimeKeeper = nullptr;
  zib->changeZIBmode(MODE_FROZEN);
  EXPECT_EQ(steps, (Steps{{3, 2}, {2, 1}}));
  EXPECT_TRUE(laterSteps.empty());
  EXPECT_EQ(lastSteps, (Steps{{3, 2}, {2, 1}}));
  delete last;
}

}  // namespace
