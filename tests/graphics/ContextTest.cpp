#include "graphics/Context.h"

#include <vector>

#include "engine/Zib.h"
#include "support/EngineFixture.h"

namespace {

// Records each tick (time, delta) and render with the Context current at that moment.
struct Probe : ZibBase {
  void tick(double time, double delta) override { ticks.push_back({time, delta, zib->currentContext}); }
  void render() override { renders.push_back(zib->currentContext); }
  struct Tick {
    double time, delta;
    Context* current;
  };
  std::vector<Tick> ticks;
  std::vector<Context*> renders;
};

class ContextTest : public EngineTest {
 protected:
  // The frame timer's last step, which every Context takes (to within rounding).
  void setFrameStep(double step) {
    zib->frameTimer.previousTime = 10.0;
    zib->frameTimer.lastTime = 10.0 + step;
  }
};

TEST_F(ContextTest, ClockTakesTheCappedScaledFrameStepAndFinishesPastEndTime) {
  Context context;
  setFrameStep(0.02);
  context.frameTick(123.0, 456.0);  // the arguments do not drive the clock
  EXPECT_NEAR(context.time, 0.02, 1e-12);
  setFrameStep(0.2);
  context.frameTick(0, 0);
  EXPECT_EQ(context.delta, 0.05);
  context.timeScale = 0.5;
  context.frameTick(0, 0);
  EXPECT_EQ(context.delta, 0.025);
  EXPECT_NEAR(context.time, 0.095, 1e-12);
  EXPECT_FALSE(context.bFinished);  // endTime 0: never

  zib->maxFrameDelta = 1.0;
  setFrameStep(0.5);  // exact, so that the clock lands on endTime
  Context timed;
  timed.endTime = 1.0;
  timed.frameTick(0, 0);
  timed.frameTick(0, 0);
  EXPECT_EQ(timed.time, 1.0);
  EXPECT_FALSE(timed.bFinished);
  timed.frameTick(0, 0);
  EXPECT_TRUE(timed.bFinished);
}

TEST_F(ContextTest, BackgroundSeesLastFrameOverlayThisFrameAndOnlyContentsSeeTheContext) {
  Context outer, context;
  Probe background, overlay;
  auto* inner = new Context();
  auto* content = new Probe();
  context.appendChild(inner);
  inner->appendChild(content);
  context.pBackground = &background;
  context.pOverlay = &overlay;
  zib->currentContext = &outer;

  setFrameStep(0.01);
  context.frameTick(0, 0);
  setFrameStep(0.03);
  context.frameTick(0, 0);
  ASSERT_EQ(background.ticks.size(), 2u);
  EXPECT_EQ(background.ticks[0].delta, 0.0);
  EXPECT_NEAR(background.ticks[1].time, 0.01, 1e-12);
  EXPECT_NEAR(overlay.ticks[1].time, 0.04, 1e-12);
  EXPECT_NEAR(overlay.ticks[1].delta, 0.03, 1e-12);
  EXPECT_EQ(background.ticks[1].current, &outer);
  EXPECT_EQ(overlay.ticks[1].current, &outer);
  EXPECT_EQ(content->ticks[1].current, inner);
  EXPECT_EQ(zib->currentContext, &outer);

  context.frameRender();
  EXPECT_EQ(background.renders, std::vector<Context*>{&outer});
  EXPECT_EQ(content->renders, std::vector<Context*>{inner});
  EXPECT_EQ(overlay.renders, std::vector<Context*>{&outer});
  EXPECT_EQ(zib->currentContext, &outer);
}

}  // namespace
