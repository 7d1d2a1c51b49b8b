#include "graphics/Camera.h"

#include <cmath>

#include "engine/input/ZibInput.h"
#include "graphics/Context.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/ZibGraphics.h"
#include "platform/D3DX9.h"
#include "support/GraphicsFixture.h"

namespace {

// A windowed 800 x 480 null device: one device pixel per logical pixel.
class CameraTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    platform.input();
    zib->pZibInput = new ZibInput();
    configureWindowed800x480();
    makeGraphics();
  }
};

D3DXMATRIX transform(D3DTRANSFORMSTATETYPE which) {
  D3DXMATRIX m;
  zib->pZibGraphics->dxDevice->GetTransform(which, &m);
  return m;
}

TEST_F(CameraTest, DefaultsViewRectAndPixelSnapWithTheTexelOffset) {
  Camera camera;
  const RectF view = camera.getViewRect(0);
  EXPECT_EQ(camera.position, Vector3(0, 0, -400));
  expectNear(Vector3(view.left, view.top, 0), Vector3(-400, 240, 0));
  expectNear(Vector3(view.right, view.bottom, 0), Vector3(400, -240, 0));
  // The default alignment (0.5, -0.5) device pixels is that many units here.
  EXPECT_EQ(camera.lookAt, Vector3(0.5f, -0.5f, 0));

  camera.position.x = camera.target.x = 10.7f;
  camera.position.y = -10.7f;
  camera.tick(0, 0);
  expectNear(camera.eye, Vector3(10.5f, -10.5f, -400));  // truncated toward zero
  const auto eyeX = [&] { return camera.tick(0, 0), camera.eye.x; };
  camera.bPixelSnap = 0;
  EXPECT_FLOAT_EQ(eyeX(), 11.2f);

  // Half a unit per device pixel on a viewport twice as wide; nearer cameras scale it down, farther ones not up.
  camera.position = Vector3(0, 0, -400);
  zib->pZibGraphics->viewportWidth = 1600;
  EXPECT_FLOAT_EQ(eyeX(), 0.25f);
  zib->pZibGraphics->viewportWidth = 800;
  camera.position.z = -200;
  EXPECT_FLOAT_EQ(eyeX(), 0.25f);
  camera.position.z = -800;
  EXPECT_FLOAT_EQ(eyeX(), 0.5f);
}

TEST_F(CameraTest, PointerProjectsOntoThePlaneThroughTheCamera) {
  Context context;
  zib->pZibInput->pointerPos = Vector3();
  context.frameTick(0, 0);
  expectNear(context.pointerPos, Vector3(-400, -240, 0));
  zib->pZibInput->pointerPos = Vector3(800, 480, 0);
  context.frameTick(0, 0);
  expectNear(context.pointerPos, Vector3(400, 240, 0));
  expectNear(context.pointerDelta, Vector3(800, 480, 0));
  // Half the distance: half a unit per pixel, around the camera's position.
  context.pCamera->position = Vector3(100, 50, -200);
  zib->pZibInput->pointerPos = Vector3(400, 240, 0);
  context.frameTick(0, 0);
  expectNear(context.pointerPos, Vector3(100, 50, 0));
}

TEST_F(CameraTest, RenderClearsAfterTheBackgroundAndGivesBothTransformsBack) {
  struct Probe : ZibBase {
    void render() override {
      projection = transform(D3DTS_PROJECTION);
      view = transform(D3DTS_VIEW);
      if (paint) zib->pZibGraphics->dxDevice->Clear(0, nullptr, D3DCLEAR_TARGET, paint, 1, 0);
    }
    D3DXMATRIX projection, view;
    D3DCOLOR paint = 0;
  };
  IDirect3DDevice9* const device = zib->pZibGraphics->dxDevice;
  D3DXMATRIX outerView, outerProjection;
  device->SetTransform(D3DTS_VIEW, D3DXMatrixTranslation(&outerView, 1, 2, 3));
  device->SetTransform(D3DTS_PROJECTION, D3DXMatrixScaling(&outerProjection, 4, 5, 6));

  Context context;
  Probe background;
  background.paint = 0xFF0000FF;
  context.pBackground = &background;
  auto* contents = new Probe();
  context.appendChild(contents);
  context.clearColor = 0xFF102030;
  context.pCamera->roll = 0.5f;
  context.frameRender();

  EXPECT_EQ(background.view, outerView);
  D3DXMATRIX projection, view;
  const Vector3 up(std::sin(0.5f), std::cos(0.5f), 0);
  EXPECT_EQ(contents->projection, *D3DXMatrixPerspectiveLH(&projection, 2, 1.2f, 1, 1048576));
  EXPECT_EQ(contents->view, *D3DXMatrixLookAtLH(&view, &context.pCamera->eye, &context.pCamera->lookAt, &up));
  EXPECT_EQ(transform(D3DTS_VIEW), outerView);
  EXPECT_EQ(transform(D3DTS_PROJECTION), outerProjection);

  // The clear came after the background and covers it.
  const std::unique_ptr<MemoryImageFile> image(zib->pZibGraphics->captureBackBuffer());
  EXPECT_EQ(image->pImageData[0], 0xFF102030u);
}

// Records each tick (time, delta) and render with the Context current at that moment.
struct Recorder : ZibBase {
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
  Recorder background, overlay;
  auto* inner = new Context();
  auto* content = new Recorder();
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
