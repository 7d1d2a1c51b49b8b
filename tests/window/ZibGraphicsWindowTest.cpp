// The graphics manager on the OpenGL device, in a real (Xvfb) window.
#include <unistd.h>

#include <cstring>
#include <memory>
#include <tuple>

#include "graphics/Context.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/ZibGraphics.h"
#include "platform/D3DX9.h"
#include "DesktopWindowTest.h"
#include "support/TestPlatform.h"

// Last: Xlib's macros (None, Status, True...) would clash with the headers above.
#include <SDL.h>
#include <SDL_syswm.h>

namespace {

struct TestVertex {
  float x, y, z;
  D3DCOLOR diffuse;
  float u, v;
};

// Clears its viewport (opaque black unless told otherwise) and draws over the
// left half a white texture of alpha 128 tinted grey (64): 32 on black, coverage 128.
struct QuadRoot : Context {
  IDirect3DTexture9* texture = nullptr;
  IDirect3DVertexBuffer9* vertices = nullptr;

  QuadRoot() {
    clearColor = 0xFF000000;
    IDirect3DDevice9* device = zib->pZibGraphics->dxDevice;
    device->CreateTexture(1, 1, 1, 0, D3DFMT_A8R8G8B8, D3DPOOL_MANAGED, &texture, nullptr);
    D3DLOCKED_RECT locked;
    texture->LockRect(0, &locked, nullptr, 0);
    *static_cast<uint32_t*>(locked.pBits) = 0x80FFFFFF;
    texture->UnlockRect(0);
    const TestVertex quad[] = {{-1, -1, 0.5f, 0xFFFFFFFF, 0, 1},
                               {-1, 1, 0.5f, 0xFFFFFFFF, 0, 0},
                               {0, -1, 0.5f, 0xFFFFFFFF, 1, 1},
                               {0, 1, 0.5f, 0xFFFFFFFF, 1, 0}};
    device->CreateVertexBuffer(sizeof quad, D3DUSAGE_WRITEONLY, D3DFVF_XYZ | D3DFVF_DIFFUSE | D3DFVF_TEX1,
                               D3DPOOL_MANAGED, &vertices, nullptr);
    void* data = nullptr;
    vertices->Lock(0, 0, &data, 0);
    std::memcpy(data, quad, sizeof quad);
    vertices->Unlock();
  }
  ~QuadRoot() override {
    texture->Release();
    vertices->Release();
  }
  void frameRender() override {
    IDirect3DDevice9* device = zib->pZibGraphics->dxDevice;
    device->Clear(0, nullptr, D3DCLEAR_TARGET, clearColor, 1, 0);
    D3DXMATRIX identity;
    D3DXMatrixIdentity(&identity);
    for (const auto which : {D3DTS_WORLD, D3DTS_VIEW, D3DTS_PROJECTION}) device->SetTransform(which, &identity);
    if (!zib->pZibGraphics->bAlphaCapture) device->SetRenderState(D3DRS_TEXTUREFACTOR, 0xFF404040);
    device->SetTexture(0, texture);
    device->SetStreamSource(0, vertices, 0, sizeof(TestVertex));
    device->DrawPrimitive(D3DPT_TRIANGLESTRIP, 0, 2);
    device->SetTexture(0, nullptr);
  }
};

// Where the X server has the window: without a window manager it is the root's own child, placed on the screen.
XWindowAttributes geometryOf(HWND window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  XWindowAttributes attributes{};
  if (SDL_GetWindowWMInfo(static_cast<SDL_Window*>(GetNativeWindowHandle(window)), &info))
    XGetWindowAttributes(info.info.x11.display, info.info.x11.window, &attributes);
  return attributes;
}

struct RestoreListener : ZibBase {
  int restored = 0;
  void onPresentationRestored() override { ++restored; }
};

class ZibGraphicsWindowTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    zib->bRelease = false;
    if (!openGlWindow(u"ZibGraphicsWindowTest")) GTEST_SKIP() << "no display";
    window = static_cast<HWND>(zib->hWindowHandle);
    graphics = &makeGraphics();
  }
  void TearDown() override {
    delete graphics;  // before its window
    zib->pZibGraphics = nullptr;
    DestroyWindow(window);
    GraphicsTest::TearDown();
  }

  // One frame as the frame loop draws it; the back buffer before it is presented.
  std::unique_ptr<MemoryImageFile> drawFrame(Context& root, const std::u16string& screenshot = u"") {
    zib->pFrameDevice->beginScene();
    root.frameRender();
    if (!screenshot.empty()) graphics->saveScreenshot(&root, screenshot);
    zib->pFrameDevice->endScene();
    std::unique_ptr<MemoryImageFile> image(graphics->captureBackBuffer());
    zib->pFrameDevice->present();
    return image;
  }

  static UColor rgb(const MemoryImageFile& image, int x, int y) {
    return image.pImageData[y * image.width + x] & 0xFFFFFF;
  }

  HWND window = nullptr;
  ZibGraphics* graphics = nullptr;
};

}  // namespace

TEST_F(ZibGraphicsWindowTest, LetterboxBarsAroundTheClearedViewport) {
  ASSERT_TRUE(restoreInMode(*graphics, true, 1024, 768));
  ASSERT_EQ(graphics->viewportTop, 77);
  ASSERT_EQ(graphics->viewportBottom, 691);

  QuadRoot root;
  root.clearColor = 0xFF0000FF;
  for (const bool release : {false, true}) {
    zib->bRelease = release;
    const auto image = drawFrame(root);
    ASSERT_EQ(image->width, 1024);
    const UColor bar = release ? 0x000000 : 0xFF0000;
    for (const int x : {0, 1023})
      for (const int y : {0, 76, 691, 767}) EXPECT_EQ(rgb(*image, x, y), bar) << x << "," << y;
    for (const int y : {77, 690}) EXPECT_EQ(rgb(*image, 1023, y), 0x0000FFu) << y;  // right of the quad
  }
}

TEST_F(ZibGraphicsWindowTest, TgaScreenshotAndDeviceLoss) {
  QuadRoot root;
  RestoreListener listener;
  const std::filesystem::path path = dataHome.path() / "shot.tga";
  const auto shown = drawFrame(root, path.u16string());
  EXPECT_NEAR(double(rgb(*shown, 200, 240) & 0xFF), 32, 1);  // the picture goes on, not the coverage pass
  const std::string file = readFile(path);
  const auto pixelAt = [&](int x, int y) { return file.substr(18 + ((479 - y) * 800 + x) * 4, 4); };
  const std::string covered = pixelAt(200, 240);
  for (int channel = 0; channel < 3; ++channel) EXPECT_NEAR(uint8_t(covered[channel]), 63, 1);
  EXPECT_NEAR(uint8_t(covered[3]), 128, 1);
  EXPECT_EQ(pixelAt(600, 240), std::string(4, '\0'));

  graphics->dxDevice->forceDeviceLost();
  EXPECT_EQ(zib->pFrameDevice->testCooperativeLevel(), Zib::FrameDevice::kDeviceLost);
  EXPECT_EQ(zib->pFrameDevice->testCooperativeLevel(), Zib::FrameDevice::kDeviceNotReset);
  ASSERT_TRUE(zib->pFrameDevice->restorePresentation());
  EXPECT_EQ(listener.restored, 1);
  const auto after = drawFrame(root);
  EXPECT_EQ(std::memcmp(shown->pImageData, after->pImageData, 800 * 480 * 4), 0);
}

TEST_F(ZibGraphicsWindowTest, FullScreenCoversTheDisplayWithoutAWindowManager) {
  // Under Xvfb no window manager carries out a full-screen request.
  const auto apply = [&](bool bFullScreen) {
    graphics->bFullScreen = bFullScreen;
    graphics->videoModeWidth = bFullScreen ? graphics->desktopMode.width : 800;
    graphics->videoModeHeight = bFullScreen ? graphics->desktopMode.height : 600;
    ASSERT_TRUE(graphics->restorePresentation(true));
  };
  for (const bool bFullScreen : {true, false, true}) {
    SCOPED_TRACE(bFullScreen ? "full screen" : "windowed");
    apply(bFullScreen);
    XWindowAttributes geometry{};
    const auto settled = [&] {
      geometry = geometryOf(window);
      return geometry.screen && geometry.width == (bFullScreen ? WidthOfScreen(geometry.screen) : 800);
    };
    for (int i = 0; i < 100 && !settled(); ++i) usleep(10000);
    ASSERT_NE(geometry.screen, nullptr);
    const int screenWidth = WidthOfScreen(geometry.screen), screenHeight = HeightOfScreen(geometry.screen);
    EXPECT_EQ(std::tuple(geometry.x, geometry.width, geometry.height),
              bFullScreen ? std::tuple(0, screenWidth, screenHeight) : std::tuple((screenWidth - 800) / 2, 800, 480));
    EXPECT_TRUE(!bFullScreen || geometry.y == 0) << geometry.y;
  }
}
