// A scene on the OpenGL device in a real window (run under Xvfb): textured,
// tinted, translucent, scaled and rotated renderables and an untextured
// rectangle, read back and checked pixel by pixel; then the device is lost
// and recovered, and the same scene must come back identical.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <numbers>
#include <vector>

#include "engine/ByteBuffer.h"
#include "engine/MemoryIniFile.h"
#include "engine/Zib.h"
#include "graphics/Context.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/Quad.h"
#include "graphics/RectF.h"
#include "graphics/Renderable.h"
#include "graphics/Texture.h"
#include "graphics/ZibGraphics.h"
#include "platform/Window.h"
#include "support/EngineFixture.h"

namespace {

constexpr UColor kClear = 0xFF202020;

LRESULT windowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  return DefWindowProc(hWnd, message, wParam, lParam);
}

// The scene's own drawing after its objects: an untextured rectangle, drawn
// right after an object whose stage selects the texture alone.
struct Scene : Context {
  void renderContents() override {
    Context::renderContents();
    RectF{100, -50, 200, -150}.drawFilled(0xFF00FF00);
  }
};

class SceneWindowTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    setGraphicsBackend(GraphicsBackend::Gl);
    setWindowBackend(makeSdlWindowBackend());
    zib->pConfig = new MemoryIniFile(ByteBuffer());
    MemoryIniFile& config = *zib->pConfig;
    config.setInt(800, u"ZibGraphics", u"videoModeWidth");
    config.setInt(480, u"ZibGraphics", u"videoModeHeight");
    config.setBool(false, u"ZibGraphics", u"bFullScreen");
    config.setBool(false, u"ZibGraphics", u"bBilinearFilter");
    config.setBool(false, u"ZibGraphics", u"bSimulate256x256TextureHW");
    zib->hWindowHandle = CreateWindow(u"scene", windowProc, 0, 0, 800, 480);
    if (!zib->hWindowHandle) GTEST_SKIP() << "no display";
    zib->pZibGraphics = new ZibGraphics();
  }
  void TearDown() override {
    delete zib->pZibGraphics;
    zib->pZibGraphics = nullptr;
    setWindowBackend(nullptr);
    setGraphicsBackend(GraphicsBackend::Null);
    EngineTest::TearDown();
  }

  // One frame as the frame loop draws it, read back before presenting.
  std::unique_ptr<MemoryImageFile> drawFrame(Context& root) {
    zib->pFrameDevice->beginScene();
    root.frameRender();
    std::unique_ptr<MemoryImageFile> image(zib->pZibGraphics->captureBackBuffer());
    zib->pFrameDevice->endScene();
    zib->pFrameDevice->present();
    return image;
  }
};

// The back-buffer pixel under a world point of the default camera.
UColor pixelAt(const MemoryImageFile& image, float x, float y) {
  const int column = static_cast<int>(std::floor(400 + x)), row = static_cast<int>(std::floor(240 - y));
  return image.pImageData[static_cast<size_t>(row) * image.width + column] & 0xFFFFFF;
}

void expectColor(const MemoryImageFile& image, float x, float y, UColor expected) {
  const UColor actual = pixelAt(image, x, y);
  for (int shift = 0; shift < 24; shift += 8) {
    const int a = static_cast<int>(actual >> shift & 0xFF), e = static_cast<int>(expected >> shift & 0xFF);
    EXPECT_LE(std::abs(a - e), 3) << "at (" << x << ", " << y << ") " << std::hex << actual << " expected "
                                   << expected;
  }
}

TEST_F(SceneWindowTest, TintedRotatedSceneMatchesItsPixelsAndSurvivesDeviceLoss) {
  // 64 x 64 texels: red on the left, white on the right, a transparent hole
  // in the middle. Kept in memory, so that a lost device can be refilled.
  Texture texture(64, 64, Texture::kKeepSource);
  MemoryImageFile* pixels = texture.getSavedSourceData();
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const bool hole = x >= 24 && x < 40 && y >= 24 && y < 40;
      pixels->pImageData[y * 64 + x] = hole ? 0x00000000 : x < 32 ? 0xFFFF0000 : 0xFFFFFFFF;
    }
  texture.copyImageData(pixels, nullptr, nullptr);
  Quad* whole = static_cast<Quad*>(texture.skins.at(0));
  Quad bar;  // white texels only: 32 x 16
  bar.pTexture = &texture;
  bar.setTextureRect(32, 0, 16, 64);

  Scene scene;
  scene.clearColor = kClear;
  const auto add = [&](Quad* skin, float x, float y, UColor color) {
    auto* object = new Renderable();
    object->pSkin = skin;
    object->color = color;
    object->setPosition(x, y, 0);
    scene.appendChild(object);
    return object;
  };
  add(whole, -250, 100, 0xFFFFFFFF);
  add(whole, -100, 100, 0xFF4080C0);
  add(whole, 50, 100, 0x80FFFFFF);
  Renderable* rotated = add(&bar, 200, 100, 0xFFFFFFFF);
  rotated->scale = Vector3(3, 1, 1);
  rotated->rotation.z = std::numbers::pi_v<float> / 4;
  rotated->updateVisual();
  Renderable* small = add(whole, -250, -100, 0xFFFFFFFF);
  small->setScaleXY(0.5f);
  add(whole, 400 + 100, 0, 0xFFFFFFFF);  // off screen: culled

  const std::unique_ptr<MemoryImageFile> first = drawFrame(scene);
  const MemoryImageFile& image = *first;
  expectColor(image, -250 - 16, 100 + 16, 0xFF0000);  // texel (16, 16)
  expectColor(image, -250 + 20, 100 - 20, 0xFFFFFF);
  expectColor(image, -250, 100, kClear & 0xFFFFFF);  // the hole is alpha-tested away
  expectColor(image, -100 - 16, 100 + 16, 0x400000);  // red x tint
  expectColor(image, -100 + 20, 100 - 20, 0x4080C0);
  expectColor(image, 50 - 16, 100 + 16, 0x8F1010);  // half over the clear colour
  expectColor(image, 50 + 20, 100 - 20, 0x8F8F8F);
  const float c = std::cos(std::numbers::pi_v<float> / 4);
  for (const float t : {-40.0f, 0.0f, 40.0f}) expectColor(image, 200 + t * c, 100 + t * c, 0xFFFFFF);
  expectColor(image, 200 + 40, 100, kClear & 0xFFFFFF);  // inside the bar before it turned
  expectColor(image, 200 + 20 * c, 100 - 20 * c, kClear & 0xFFFFFF);
  expectColor(image, -250 - 12, -100 + 12, 0xFF0000);  // half size
  expectColor(image, -250 + 12, -100 - 12, 0xFFFFFF);
  expectColor(image, -250 - 20, -100, kClear & 0xFFFFFF);
  expectColor(image, 150, -100, 0x00FF00);
  EXPECT_EQ(zib->frameStats[STAT_DRAWN], 5);

  // Lose the device, recover as the frame loop does, draw again.
  IDirect3DDevice9* device = zib->pZibGraphics->dxDevice;
  device->forceDeviceLost();
  EXPECT_LT(device->TestCooperativeLevel(), 0);
  zib->changeZIBmode(MODE_FROZEN);
  EXPECT_EQ(texture.dxTexture, nullptr);
  EXPECT_EQ(device->TestCooperativeLevel(), D3DERR_DEVICENOTRESET);
  ASSERT_TRUE(zib->pFrameDevice->restorePresentation());
  zib->changeZIBmode(MODE_OK);
  const std::unique_ptr<MemoryImageFile> second = drawFrame(scene);
  ASSERT_EQ(second->width, image.width);
  ASSERT_EQ(second->height, image.height);
  EXPECT_TRUE(std::equal(image.pImageData, image.pImageData + image.width * image.height, second->pImageData));
}

}  // namespace
