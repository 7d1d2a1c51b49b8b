#include "graphics/Camera.h"

#include <gtest/gtest.h>

#include <cmath>

#include "engine/ByteBuffer.h"
#include "engine/MemoryIniFile.h"
#include "engine/Zib.h"
#include "graphics/Context.h"
#include "graphics/ZibGraphics.h"
#include "platform/D3DX9.h"
#include "platform/null/NullDirect3D.h"
#include "support/EngineFixture.h"

namespace {

Vector3 pointer;

// A windowed 800 x 480 null device: one device pixel per logical pixel.
class CameraTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    resetNullAdapterConfig();
    setGraphicsBackend(GraphicsBackend::Null);
    zib->pConfig = new MemoryIniFile(ByteBuffer());
    zib->pConfig->setBool(false, u"ZibGraphics", u"bFullScreen");
    zib->pConfig->setInt(800, u"ZibGraphics", u"videoModeWidth");
    zib->pConfig->setInt(480, u"ZibGraphics", u"videoModeHeight");
    zib->pZibGraphics = new ZibGraphics();
    pointer = Vector3();
    Context::pointerSource = [] { return pointer; };
  }
  void TearDown() override {
    Context::pointerSource = nullptr;
    delete zib->pZibGraphics;
    zib->pZibGraphics = nullptr;
    EngineTest::TearDown();
  }
  static IDirect3DDevice9* device() { return zib->pZibGraphics->dxDevice; }
};

D3DXMATRIX transform(D3DTRANSFORMSTATETYPE which) {
  D3DXMATRIX m;
  zib->pZibGraphics->dxDevice->GetTransform(which, &m);
  return m;
}

void expectNear(const Vector3& a, const Vector3& b) {
  EXPECT_NEAR(a.x, b.x, 1e-3);
  EXPECT_NEAR(a.y, b.y, 1e-3);
  EXPECT_NEAR(a.z, b.z, 1e-3);
}

void expectRect(const RectF& r, float left, float top, float right, float bottom) {
  EXPECT_FLOAT_EQ(r.left, left);
  EXPECT_FLOAT_EQ(r.top, top);
  EXPECT_FLOAT_EQ(r.right, right);
  EXPECT_FLOAT_EQ(r.bottom, bottom);
}

TEST_F(CameraTest, DefaultsViewRectAndPixelSnapWithTheTexelOffset) {
  Camera camera;
  EXPECT_EQ(camera.position, Vector3(0, 0, -400));
  expectRect(camera.getViewRect(0), -400, 240, 400, -240);
  expectRect(camera.getViewRect(400), -800, 480, 800, -480);
  // Default alignment (0.5, -0.5) device pixels, one world unit each here.
  EXPECT_EQ(camera.eye, Vector3(0.5f, -0.5f, -400));
  EXPECT_EQ(camera.lookAt, Vector3(0.5f, -0.5f, 0));

  camera.position.x = camera.target.x = 10.7f;
  camera.position.y = -10.7f;
  camera.tick(0, 0);
  EXPECT_FLOAT_EQ(camera.eye.x, 10.5f);   // 10 + 0.5
  EXPECT_FLOAT_EQ(camera.eye.y, -10.5f);  // -10 (toward zero) - 0.5
  EXPECT_FLOAT_EQ(camera.lookAt.x, 10.5f);
  camera.bPixelSnap = 0;
  camera.tick(0, 0);
  EXPECT_FLOAT_EQ(camera.eye.x, 11.2f);
  expectRect(camera.getViewRect(0), 10.7f - 400, -10.7f + 240, 10.7f + 400, -10.7f - 240);  // not snapped

  // A device pixel is half a unit on a viewport twice as wide; nearer
  // cameras scale the offset down, farther ones do not scale it up.
  camera.position = Vector3(0, 0, -400);
  zib->pZibGraphics->viewportWidth = 1600;
  camera.tick(0, 0);
  EXPECT_FLOAT_EQ(camera.eye.x, 0.25f);
  zib->pZibGraphics->viewportWidth = 800;
  camera.position.z = -200;
  camera.tick(0, 0);
  EXPECT_FLOAT_EQ(camera.eye.x, 0.25f);
  camera.position.z = -800;
  camera.tick(0, 0);
  EXPECT_FLOAT_EQ(camera.eye.x, 0.5f);
}

TEST_F(CameraTest, PointerProjectsOntoThePlaneThroughTheCamera) {
  Context context;
  context.frameTick(0, 0);
  expectNear(context.pointerPos, Vector3(-400, -240, 0));
  pointer = Vector3(800, 480, 0);
  context.frameTick(0, 0);
  expectNear(context.pointerPos, Vector3(400, 240, 0));
  expectNear(context.prevPointerPos, Vector3(-400, -240, 0));
  expectNear(context.pointerDelta, Vector3(800, 480, 0));

  // Half the distance: half a unit per pixel, around the camera's position.
  context.pCamera->position = Vector3(100, 50, -200);
  pointer = Vector3(400, 240, 0);
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
  D3DXMATRIX outerView, outerProjection;
  D3DXMatrixTranslation(&outerView, 1, 2, 3);
  D3DXMatrixScaling(&outerProjection, 4, 5, 6);
  device()->SetTransform(D3DTS_VIEW, &outerView);
  device()->SetTransform(D3DTS_PROJECTION, &outerProjection);

  Context context;
  Probe background;
  auto* contents = new Probe();
  context.appendChild(contents);
  context.pBackground = &background;
  context.pCamera->roll = 0.5f;
  context.frameRender();

  EXPECT_EQ(background.view, outerView);
  EXPECT_EQ(background.projection, outerProjection);
  D3DXMATRIX projection, view;
  const Vector3 up(std::sin(0.5f), std::cos(0.5f), 0);
  D3DXMatrixPerspectiveLH(&projection, 2, 1.2f, 1, 1048576);
  D3DXMatrixLookAtLH(&view, &context.pCamera->eye, &context.pCamera->lookAt, &up);
  EXPECT_EQ(contents->projection, projection);
  EXPECT_EQ(contents->view, view);
  EXPECT_EQ(transform(D3DTS_VIEW), outerView);
  EXPECT_EQ(transform(D3DTS_PROJECTION), outerProjection);

  // The clear comes after the background and covers it.
  background.paint = 0xFF0000FF;
  context.clearColor = 0xFF102030;
  IDirect3DSurface9* backBuffer = nullptr;
  context.frameRender();
  ASSERT_EQ(device()->GetBackBuffer(0, 0, D3DBACKBUFFER_TYPE_MONO, &backBuffer), D3D_OK);
  D3DLOCKED_RECT locked;
  ASSERT_EQ(backBuffer->LockRect(&locked, nullptr, D3DLOCK_READONLY), D3D_OK);
  EXPECT_EQ(*static_cast<uint32_t*>(locked.pBits) & 0xFFFFFF, 0x102030u);
  backBuffer->UnlockRect();
  backBuffer->Release();

  // Without a camera nothing is set, and a bare engine draws nothing at all.
  context.pCamera->destroy();
  context.pCamera = nullptr;
  context.frameRender();
  EXPECT_EQ(contents->view, outerView);
  context.frameTick(0, 0);
  EXPECT_EQ(context.pointerPos, Vector3());
}

}  // namespace
