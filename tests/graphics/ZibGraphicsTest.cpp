#include <algorithm>
#include <array>
#include <iostream>

#include "engine/AppPaths.h"
#include "engine/ErrorManager.h"
#include "engine/MemoryIniFile.h"
#include "graphics/Context.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/VideoMode.h"
#include "graphics/ZibGraphics.h"
#include "platform/null/NullDevice.h"
#include "platform/null/NullDirect3D.h"
#include "support/GraphicsFixture.h"

namespace {

class ZibGraphicsTest : public GraphicsTest {
 protected:
  void TearDown() override {
    commandLineArgs.clear();
    GraphicsTest::TearDown();
  }
  std::u16string setting(const char16_t* key) { return zib->pConfig->getString(u"ZibGraphics", key); }
  // A small windowed back buffer, so that whole screenshots can be checked.
  void resize(ZibGraphics& g, int32_t width, int32_t height) {
    D3DPRESENT_PARAMETERS d3dpp = device().presentation();
    d3dpp.BackBufferWidth = UINT(width), d3dpp.BackBufferHeight = UINT(height), d3dpp.Windowed = TRUE;
    ASSERT_EQ(g.dxDevice->Reset(&d3dpp), D3D_OK);
    g.backBufferWidth = g.viewportRight = width;
    g.backBufferHeight = g.viewportBottom = height;
    g.viewportLeft = g.viewportTop = 0;
    const D3DVIEWPORT9 whole = {0, 0, DWORD(width), DWORD(height), 0, 1};
    g.dxDevice->SetViewport(&whole);
  }
};

using Rect = std::array<int32_t, 4>;
Rect viewportOf(const ZibGraphics& g) { return {g.viewportLeft, g.viewportTop, g.viewportRight, g.viewportBottom}; }

}  // namespace

TEST_F(ZibGraphicsTest, ClosestMatchChoosesModeAndViewport) {
  nullAdapterConfig().modes.push_back({2560, 1080, 60, D3DFMT_X8R8G8B8});
  ZibGraphics& g = makeGraphics();
  const auto viewportAt = [&](bool full, int32_t w, int32_t h) {
    return g.calcClosestMatchParameters(full, w, h), viewportOf(g);
  };
  EXPECT_EQ(viewportAt(true, 1024, 768), (Rect{0, 77, 1024, 691}));
  EXPECT_EQ(g.viewportAspect, 614.0f / 1024.0f);
  EXPECT_EQ(viewportAt(true, 1920, 1080), (Rect{0, 0, 1920, 1080}));
  EXPECT_EQ(viewportAt(true, 2560, 1080), (Rect{381, 0, 381 + 1798, 1080}));

  g.calcClosestMatchParameters(true, 9999, 9999);
  EXPECT_EQ(g.videoModeWidth, 2560);
  g.calcClosestMatchParameters(true, 640, 400);  // nothing fits: the smallest
  EXPECT_EQ(g.backBufferHeight, 480);
  g.calcClosestMatchParameters(true, 1280, 800);
  EXPECT_EQ(g.backBufferHeight, 720);

  // Windowed: limited by the width, then the height of the work area.
  EXPECT_EQ(viewportAt(false, 1920, 1080), (Rect{0, 0, 1666, 1000}));
  EXPECT_EQ(std::pair(g.videoModeWidth, g.videoModeHeight), std::pair(1920, 1080));
}

TEST_F(ZibGraphicsTest, FullScreenTakesOnlyModesOfTheChosenFormat) {
  zib->bRelease = false;  // lists the debug sizes 320x240 and 480x360 too
  nullAdapterConfig().modes.push_back({1600, 900, 60, D3DFMT_R5G6B5});
  nullAdapterConfig().modes.push_back({1280, 600, 75, D3DFMT_X1R5G5B5});
  ZibGraphics& g = makeGraphics();
  std::u16string listed;
  for (BasicLink* node = g.videoModes.firstChild; node; node = node->next)
    listed += static_cast<VideoMode*>(node)->toString() + u" ";
  EXPECT_EQ(listed,
            u"320x240 (4:3) 480x360 (4:3) 640x480 (4:3) 800x600 (4:3) 1024x768 (4:3) 1280x600 "
            u"1280x720 (16:9) 1280x1024 (5:4) 1600x900 (16:9) 1920x1080 (16:9) ");
  EXPECT_EQ(VideoMode(1366, 768).toString(), u"1366x768 (16:9)");
  EXPECT_EQ(VideoMode(1024, 512).toString(), u"1024x512 (2:1)");
  EXPECT_EQ(VideoMode(2560, 1080).toString(), u"2560x1080");

  g.calcClosestMatchParameters(true, 500, 400);
  EXPECT_EQ(g.backBufferWidth, 640);
  g.calcClosestMatchParameters(true, 1700, 950);
  EXPECT_EQ(g.backBufferWidth, 1280);
  EXPECT_EQ(g.backBufferFormat, D3DFMT_X8R8G8B8);

  nullAdapterConfig().modes.clear();  // no display format at all: windowed
  g.calcClosestMatchParameters(true, 1024, 768);
  EXPECT_FALSE(g.bFullScreen);
}

TEST_F(ZibGraphicsTest, UnusableSettingsFallBack) {
  for (auto [key, value] : {std::pair{u"texelAlignment.x", u"nan"}, {u"texelAlignment.y", u"1e300"},
                            {u"videoModeWidth", u"0"}, {u"bFullScreen", u"No"}})
    zib->pConfig->setString(u"ZibGraphics", key, value);
  ZibGraphics& g = makeGraphics();
  EXPECT_EQ(g.texelAlignment, Vector3(0.5f, -0.5f, 0.0f));
  EXPECT_EQ(g.backBufferWidth, 1666);  // the desktop width in the work area
  for (const int32_t width : {-3, 0, 1}) {
    g.calcClosestMatchParameters(false, width, 0);
    EXPECT_GT(g.viewportWidth * g.viewportHeight, 0);
  }
  g.calcClosestMatchParameters(true, 0, -1);
  EXPECT_EQ(g.backBufferHeight, 1080);

  g.desktopMode.format = D3DFMT_UNKNOWN;  // windowed on a desktop of unknown depth: not 16 bits
  D3DPRESENT_PARAMETERS d3dpp;
  g.buildPresentParameters(d3dpp);
  EXPECT_EQ(g.bitsPerPixel, 32);
}

TEST_F(ZibGraphicsTest, SettingsRoundTrip) {
  ZibGraphics& g = makeGraphics();
  for (const char16_t* key : {u"bFullScreen", u"bBilinearFilter", u"bUseHardwareTL", u"bEnableFontCache",
                              u"bSimulate256x256TextureHW", u"bAllowLetterbox"})
    EXPECT_EQ(setting(key), u"Yes");
  EXPECT_EQ(setting(u"bUseVSync"), u"No");
  EXPECT_EQ(setting(u"texelAlignment.y"), u"-0.50000000");
  EXPECT_EQ(setting(u"videoModeWidth"), u"-1");
  g.saveSettings();
  EXPECT_EQ(setting(u"videoModeWidth"), u"1920");

  delete zib->pZibGraphics;
  commandLineArgs = {u"-safe"};
  ZibGraphics& safe = makeGraphics();
  EXPECT_EQ(viewportOf(safe), (Rect{0, 0, 800, 480}));
  safe.saveSettings();
  EXPECT_EQ(setting(u"videoModeWidth") + setting(u"videoModeHeight") + setting(u"bFullScreen"), u"800600No");
}

TEST_F(ZibGraphicsTest, PixelScaleBandsAndWindowToView) {
  ZibGraphics& g = makeGraphics();
  const auto scaleAt = [&](int32_t width, int32_t height) {
    g.viewportWidth = width;
    g.viewportHeight = height;
    g.restorePresentation(false);
    return g.pixelScale;
  };
  EXPECT_EQ(scaleAt(680, 408), Vector3(800.0f / 680, 480.0f / 408, 1.0f));
  EXPECT_EQ(scaleAt(679, 408), Vector3(0.5f * (800.0f / 679), 0.5f * (480.0f / 408), 0.5f));
  EXPECT_EQ(scaleAt(1200, 720), Vector3(1, 1, 1));

  g.viewportLeft = 100, g.viewportRight = 900, g.viewportTop = 50, g.viewportBottom = 530;
  Vector3 view;
  g.windowToView(view, 500, 530, 7);
  EXPECT_EQ(view, Vector3(400, 0, 7));
  g.windowToView(view, 40, 50, 0);  // in the bar left of the viewport
  EXPECT_EQ(view, Vector3(0, 480, 0));
}

TEST_F(ZibGraphicsTest, TheFilterChangesAtOnceAndTheModeWithANewPresentation) {
  ZibGraphics& g = makeGraphics();
  const auto magFilter = [&] {
    DWORD value = 0xDEAD;
    g.dxDevice->GetSamplerState(0, D3DSAMP_MAGFILTER, &value);
    return value;
  };
  g.bBilinearFilter = 0;
  g.setGlobalRenderState();
  EXPECT_EQ(magFilter(), 1u);  // point
  g.changePresentationParameters(-1, -1, g.bFullScreen, g.bAllowLetterbox, true, g.bUseVSync);
  EXPECT_FALSE(zib->bRestartPresentation);
  EXPECT_EQ(magFilter(), 2u);  // linear
  g.changePresentationParameters(1024, -1, g.bFullScreen, g.bAllowLetterbox, true, g.bUseVSync);
  EXPECT_TRUE(zib->bRestartPresentation);
}

TEST_F(ZibGraphicsTest, RepeatedFailedResetsFallBackToADesktopWindow) {
  zib->pConfig->setInt(1024, u"ZibGraphics", u"videoModeWidth");
  ZibGraphics& g = makeGraphics();
  device().failNextResets(ZibGraphics::kMaxFailedResets);
  for (int i = 0; i < ZibGraphics::kMaxFailedResets; ++i) EXPECT_FALSE(zib->pFrameDevice->restorePresentation());
  EXPECT_TRUE(zib->pFrameDevice->restorePresentation());
  EXPECT_FALSE(g.bFullScreen);
  EXPECT_EQ(std::pair(g.videoModeWidth, g.videoModeHeight), std::pair(1920, 1080));
}

TEST_F(ZibGraphicsTest, TgaScreenshotsInsideAndBetweenFramesKeepThePictureAndTheScene) {
  // The root's drawing is two pixels cleared; in the alpha pass to coverages 128 and 1.
  struct ClearingRoot : Context {
    void frameRender() override {
      const bool alphaPass = zib->pZibGraphics->bAlphaCapture;
      const D3DRECT second = {1, 0, 2, 1};
      zib->pZibGraphics->dxDevice->Clear(0, nullptr, D3DCLEAR_TARGET, alphaPass ? 0xFF800000 : 0xFF204060, 1, 0);
      zib->pZibGraphics->dxDevice->Clear(1, &second, D3DCLEAR_TARGET, alphaPass ? 0xFF010000 : 0xFFC8C8C8, 1, 0);
    }
  } root;
  ZibGraphics& g = makeGraphics();
  resize(g, 2, 1);
  const std::filesystem::path path = dataHome.path() / "shot.tga";
  // Never two scenes at once, none ended that is not open; the scene open before is open again after.
  const auto shoot = [&](int open) {
    const int before = open;
    device().calls.clear();
    g.saveScreenshot(&root, path.u16string());
    for (const std::string& call : device().calls) {
      open += call == "BeginScene()" ? 1 : call == "EndScene()" ? -1 : 0;
      EXPECT_TRUE(open == 0 || open == 1) << call;
    }
    EXPECT_EQ(open, before);
    // Colours divided by the coverage: 0x40 x 255 / 128 -> 0x7F; 0xC8 x 255 held to 0xFF.
    EXPECT_EQ(readFile(path).substr(18), std::string("\xBF\x7F\x3F\x80\xFF\xFF\xFF\x01", 8));
  };
  zib->pFrameDevice->beginScene();
  root.frameRender();
  shoot(1);
  EXPECT_EQ(std::unique_ptr<MemoryImageFile>(g.captureBackBuffer())->pImageData[0], 0xFF204060u);
  zib->pFrameDevice->endScene();
  shoot(0);  // between frames
}

TEST_F(ZibGraphicsTest, ScreenshotFilesAndFailedCapture) {
  ZibGraphics& g = makeGraphics();
  const std::filesystem::path bmp = dataHome.path() / "s.bmp", tga = dataHome.path() / "s.tga";
  for (int32_t width = 1; width <= 4; ++width) {
    resize(g, width, 2);
    const D3DRECT top = {0, 0, width, 1};
    g.dxDevice->Clear(0, nullptr, D3DCLEAR_TARGET, 0xFF0000FF, 1, 0);
    g.dxDevice->Clear(1, &top, D3DCLEAR_TARGET, 0xFF123456, 1, 0);
    g.saveScreenshot(nullptr, bmp.u16string());
    g.saveScreenshot(nullptr, tga.u16string());  // without a root nothing is covered: alpha 0

    std::string bmpRows, tgaRows;  // bottom row first
    for (const char* pixel : {"\xFF\x00\x00\x00", "\x56\x34\x12\x00"}) {
      for (int32_t x = 0; x < width; ++x) bmpRows.append(pixel, 3), tgaRows.append(pixel, 4);
      bmpRows.append(-width * 3 & 3, '\0');
    }
    EXPECT_EQ(readFile(bmp), readFile(bmp).substr(0, 54) + bmpRows) << width;
    EXPECT_EQ(readFile(tga).substr(18), tgaRows) << width;
  }
  g.saveScreenshot(nullptr, (dataHome.path() / "c.jpg").u16string());
  EXPECT_FALSE(readFile(dataHome.path() / "c.jpg").empty());
  g.saveScreenshot(nullptr, (dataHome.path() / "u.TGA").u16string());
  EXPECT_FALSE(std::filesystem::exists(dataHome.path() / "u.TGA"));

  // A back buffer that cannot be read gives a black picture, not stale memory.
  struct BlindDevice : NullDevice {
    using NullDevice::NullDevice;
    HRESULT GetBackBuffer(UINT, UINT, D3DBACKBUFFER_TYPE, IDirect3DSurface9**) override { return E_FAIL; }
  };
  auto* blind = new BlindDevice(g.dxD3D, nullptr);
  D3DPRESENT_PARAMETERS d3dpp = device().presentation();
  ASSERT_EQ(blind->initialize(&d3dpp), D3D_OK);
  g.dxDevice->Release();
  g.dxDevice = blind;
  // A freed, poisoned block of the picture's size: the allocator hands it back for its pixels (without ASan).
  const uint32_t* poisoned = nullptr;
  {
    const auto block = std::make_unique<uint32_t[]>(8);
    std::fill_n(block.get(), 8, 0xDEADBEEF);
    poisoned = block.get();
  }
  const std::unique_ptr<MemoryImageFile> image(g.captureBackBuffer());
  ASSERT_EQ(image->width * image->height, 8);
  EXPECT_EQ(std::count(image->pImageData, image->pImageData + 8, 0u), 8);
  if (image->pImageData != poisoned) std::cout << "note: the poisoned block was not reused\n";
}

TEST_F(ZibGraphicsTest, FatalErrorSavesTheCrashPictureAndLeavesFullScreen) {
  ZibGraphics& g = *(zib->pZibGraphics = new ZibGraphics());  // with its fatal-report steps
  ASSERT_TRUE(g.bFullScreen);
  EXPECT_FATAL(ZIB_ERROR(u"boom"), "boom");
  EXPECT_FALSE(readFile(toUtf8(crashScreenshotPath())).empty());
  EXPECT_FALSE(g.bFullScreen);
  EXPECT_EQ(g.dxDevice, nullptr);
}
