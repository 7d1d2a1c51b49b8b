// A scene on the OpenGL device in a real window (run under Xvfb), read back
// and checked pixel by pixel, then again after the device was lost.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <filesystem>
#include <memory>
#include <numbers>

#include "engine/FileManager.h"
#include "engine/MemoryIniFile.h"
#include "engine/Zib.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/Quad.h"
#include "graphics/RectF.h"
#include "graphics/Renderable.h"
#include "graphics/Texture.h"
#include "graphics/ZibGraphics.h"
#include "DesktopWindowTest.h"
#include "support/TestPlatform.h"

namespace {

constexpr UColor kClear = 0xFF202020;

// Delayed loading, and the shipped defaults of filtering and the 256-texel
// simulation (on) or both off.
struct Settings {
  bool bDelayedLoad;
  bool bDefaults;
};

class SceneWindowTest : public GraphicsTest, public ::testing::WithParamInterface<Settings> {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    if (!GetParam().bDefaults)
      for (const char16_t* key : {u"bBilinearFilter", u"bSimulate256x256TextureHW"})
        zib->pConfig->setBool(false, u"ZibGraphics", key);
    zib->bEnableDelayedLoad = GetParam().bDelayedLoad;
    if (!openGlWindow(u"scene")) GTEST_SKIP() << "no display";
    makeGraphics();
    zib->pFileManager = new FileManager();
    zib->pFileManager->bUseWad = false;
  }
  void TearDown() override {
    delete zib->pFileManager;
    zib->pFileManager = nullptr;
    GraphicsTest::TearDown();
  }
};

// The back-buffer pixel under a world point of the default camera, within 3
// per channel.
void expectColor(const MemoryImageFile& image, float x, float y, UColor expected) {
  const size_t row = static_cast<size_t>(std::floor(240 - y)), column = static_cast<size_t>(std::floor(400 + x));
  const UColor actual = image.pImageData[row * image.width + column];
  for (int shift = 0; shift < 24; shift += 8)
    EXPECT_LE(std::abs(int(actual >> shift & 0xFF) - int(expected >> shift & 0xFF)), 3)
        << "at (" << x << ", " << y << ") " << std::hex << actual << " expected " << expected;
}

TEST_P(SceneWindowTest, TintedRotatedSceneMatchesItsPixelsAndSurvivesDeviceLoss) {
  // 64 x 64 texels: red on the left, white on the right, a transparent hole
  // in the middle. Kept in memory, so that a lost device can be refilled.
  Texture texture(64, 64, Texture::kKeepSource);
  MemoryImageFile* pixels = texture.getSavedSourceData();
  for (int y = 0; y < 64; ++y)
    for (int x = 0; x < 64; ++x) {
      const bool hole = x >= 24 && x < 40 && y >= 24 && y < 40;
      pixels->pImageData[y * pixels->width + x] = hole ? 0x00000000 : x < 32 ? 0xFFFF0000 : 0xFFFFFFFF;
    }
  texture.copyImageData(pixels, nullptr, nullptr);
  Quad* whole = static_cast<Quad*>(texture.skins.at(0));
  Quad bar;  // white texels only: 32 x 16
  bar.pTexture = &texture;
  bar.setTextureRect(32, 0, 16, 64);

  // A 300 x 60 image from a file: two tiles on 256-texel hardware. Left of
  // x = 150 blue, right of it yellow, so the tile seam (at 254) lies inside the yellow.
  const std::filesystem::path imagePath = dataHome.path() / "wide.tga";
  {
    MemoryImageFile file(300, 60);
    for (int i = 0; i < 300 * 60; ++i) file.pImageData[i] = i % 300 < 150 ? 0xFF0000FF : 0xFFFFFF00;
    file.saveTGA(fromUtf8(imagePath.string()));
  }
  Texture wide(0, fromUtf8(imagePath.string()));
  EXPECT_EQ(wide.pTileContainer->firstChild != nullptr, GetParam().bDefaults);

  Scene scene;
  scene.clearColor = kClear;
  // An untextured rectangle, drawn right after an object whose stage selects the texture alone.
  scene.draw = [] { RectF{100, -50, 200, -150}.drawFilled(0xFF00FF00); };
  const auto add = [&](Skin* skin, float x, float y, UColor color) {
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
  add(whole, 400 + 100, 0, 0xFFFFFFFF);  // off screen: culled
  add(wide.skins.at(0), -100, -150, 0xFFFFFFFF);

  const std::unique_ptr<MemoryImageFile> first = drawFrame(scene);
  const MemoryImageFile& image = *first;
  expectColor(image, -250 - 16, 100 + 16, 0xFF0000);  // texel (16, 16)
  expectColor(image, -250 + 20, 100 - 20, 0xFFFFFF);
  expectColor(image, -250, 100, kClear);  // the hole is alpha-tested away
  expectColor(image, -100 - 16, 100 + 16, 0x400000);  // red x tint
  expectColor(image, -100 + 20, 100 - 20, 0x4080C0);
  expectColor(image, 50 - 16, 100 + 16, 0x8F1010);  // half over the clear colour
  expectColor(image, 50 + 20, 100 - 20, 0x8F8F8F);
  const float c = std::cos(std::numbers::pi_v<float> / 4);
  for (const float t : {-40.0f, 0.0f, 40.0f}) expectColor(image, 200 + t * c, 100 + t * c, 0xFFFFFF);
  expectColor(image, 200 + 40, 100, kClear);  // inside the bar before it turned
  expectColor(image, 150, -100, 0x00FF00);
  for (const float x : {-248.0f, -101.0f}) expectColor(image, x, -150, 0x0000FF);
  for (const float x : {-99.0f, 0.0f, 3.0f, 5.0f, 48.0f}) expectColor(image, x, -150, 0xFFFF00);  // seam at 4
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
  ASSERT_EQ(second->width * second->height, image.width * image.height);
  EXPECT_TRUE(std::equal(image.pImageData, image.pImageData + image.width * image.height, second->pImageData));
}

INSTANTIATE_TEST_SUITE_P(Settings, SceneWindowTest,
                         ::testing::Values(Settings{true, false}, Settings{false, false}, Settings{true, true},
                                           Settings{false, true}),
                         [](const auto& info) {
                           return std::string(info.param.bDelayedLoad ? "Delayed" : "AtOnce") +
                                  (info.param.bDefaults ? "Defaults" : "Unfiltered");
                         });

}  // namespace
