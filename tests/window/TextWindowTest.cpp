// Text on the OpenGL device in a real window (run under Xvfb): a GDI-font
// line and glyph-font lines, drawn glyph by glyph and from the cache, read
// back and compared with the pixels they must give.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <functional>
#include <memory>
#include <vector>

#include "engine/MemoryIniFile.h"
#include "engine/Zib.h"
#include "graphics/Context.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/Quad.h"
#include "graphics/Texture.h"
#include "graphics/ZibGraphics.h"
#include "graphics/text/FontCache.h"
#include "graphics/text/FontGDI.h"
#include "graphics/text/FontQuad.h"
#include "platform/TextRaster.h"
#include "support/GraphicsFixture.h"
#include "support/TestPlatform.h"

namespace {

constexpr UColor kClear = 0xFF000000;

struct Scene : Context {
  void renderContents() override {
    Context::renderContents();
    if (draw) draw();
  }
  std::function<void()> draw;
};

class TextWindowTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    for (const char16_t* key : {u"bBilinearFilter", u"bSimulate256x256TextureHW"})
      zib->pConfig->setBool(false, u"ZibGraphics", key);
    if (!openGlWindow(u"text")) GTEST_SKIP() << "no display";
    makeGraphics();
  }

  // A frame of its own: the font cache counts its entries' age in frames.
  static std::unique_ptr<MemoryImageFile> drawFrame(Context& root) {
    ++zib->renderedFrames;
    return GraphicsTest::drawFrame(root);
  }
  // The pixel under back-buffer column and row (the default camera puts world (0, 0) at 400, 240).
  static UColor at(const MemoryImageFile& image, int x, int y) { return image.pImageData[size_t(y * image.width + x)]; }
};

TEST_F(TextWindowTest, GdiTextShowsTheRasterisedCoverage) {
  FontGDI font(12, 1, 1, 1, u"Arial");
  const std::u16string text = u"Hello, world";
  Scene scene;
  scene.draw = [&] { font.drawText(-300, 200, 0, 0xFFFFFFFF, 0, text); };
  drawFrame(scene);  // the first frame renders the text into the cache
  const auto image = drawFrame(scene);

  int32_t leftPad = 0;
  const PointI size = font.calcTextSize(&leftPad, nullptr, text);
  std::vector<uint32_t> expected(size_t(size.x * size.y), 0);
  font.pRaster->textOut(expected.data(), size.x, size.y, leftPad, 0, text);
  int32_t mismatches = 0, ink = 0;
  for (int y = 0; y < size.y; ++y)
    for (int x = 0; x < size.x; ++x) {
      const int coverage = int(expected[size_t(y * size.x + x)] & 0xFF);
      const UColor actual = at(*image, 100 + x, 40 + y);
      ink += coverage > 128;
      mismatches += std::abs(int(actual & 0xFF) - coverage) > 8;
    }
  EXPECT_GT(ink, 40);
  EXPECT_LE(mismatches, 2) << "of " << size.x * size.y;
  EXPECT_EQ(at(*image, 99, 45), kClear);
  EXPECT_EQ(at(*image, 100 + size.x + 1, 45), kClear);
}

TEST_F(TextWindowTest, GlyphTextLooksTheSameDrawnGlyphByGlyphAndFromTheCache) {
  // Glyph i: a solid block 3 + i % 4 wide and 10 high.
  Texture page(256, 256, Texture::kKeepSource);
  for (Skin* skin : page.skins) delete skin;
  page.skins.clear();
  MemoryImageFile& pixels = *page.pSavedSourceData;
  pixels.clear(nullptr, true);
  for (int32_t i = 0; i < 256; ++i) {
    auto* quad = new Quad();
    quad->pTexture = &page;
    const int32_t x = (i % 16) * 16, y = (i / 16) * 16, w = 3 + i % 4;
    quad->setTextureRect(x, y, y + 10, x + w);
    for (int py = y; py < y + 10; ++py)
      for (int px = x; px < x + w; ++px) pixels.pImageData[py * 256 + px] = 0xFFFFFFFF;
    page.skins.push_back(quad);
  }
  FontQuad font;
  font.fontUppercaseLineRaw = 2;
  font.addSourceTexture(&page, 0);
  font.setupCompositeChars();
  font.createFontCache();
  Scene scene;
  // "ABÉ" glyph by glyph on one row, "ABÉD" from the cache on another, in red.
  scene.draw = [&] {
    font.drawText(-200, 100, 0, 0xFFFF0000, 0, u"AB\u00C9");
    font.drawText(-200, 50, 0, 0xFFFF0000, 0, u"AB\u00C9D");
  };
  drawFrame(scene);
  const auto image = drawFrame(scene);
  ASSERT_NE(font.pFontCache->findText(u"AB\u00C9D"), nullptr);
  // A (0x41) is 4 wide, B 5, E 4, D 3; spacing 1: columns 0-3, 5-9, 11-14, 16-18.
  for (int row : {140, 190}) {
    const bool withD = row == 190;
    for (int column : {0, 3, 5, 9, 11, 14, 16, 18})
      if (column < 16 || withD) EXPECT_EQ(at(*image, 200 + column, row + 5) & 0xFFFFFF, 0xFF0000u) << row << "," << column;
    for (int column : {4, 10, 15, 16, 19, 20})
      if (column != 16 || !withD) EXPECT_EQ(at(*image, 200 + column, row + 5), kClear) << row << "," << column;
    EXPECT_EQ(at(*image, 200, row - 1), kClear);
    // The acute (0xB4: 3 wide, 10 high) over É at x 11 + (4 + 1 - 3) / 2 = 12,
    // its top 1 + 10 - 2 = 9 above the anchor: rows row - 9 to row.
    for (int column : {12, 13, 14}) EXPECT_EQ(at(*image, 200 + column, row - 5) & 0xFFFFFF, 0xFF0000u) << column;
    for (int column : {11, 15}) EXPECT_EQ(at(*image, 200 + column, row - 5), kClear) << column;
    EXPECT_EQ(at(*image, 212, row - 10), kClear);
  }
}

}  // namespace
