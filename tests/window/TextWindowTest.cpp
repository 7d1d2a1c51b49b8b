// Text on the OpenGL device in a real window (run under Xvfb): a GDI-font
// line and glyph-font lines, drawn glyph by glyph and from the cache, read
// back and compared with the pixels they must give.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdlib>
#include <memory>
#include <vector>

#include "app/TextBlockView.h"
#include "engine/MemoryIniFile.h"
#include "engine/Zib.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/Quad.h"
#include "graphics/Texture.h"
#include "graphics/ZibGraphics.h"
#include "graphics/text/FontCache.h"
#include "graphics/text/FontGDI.h"
#include "graphics/text/FontQuad.h"
#include "graphics/text/TextLanguage.h"
#include "platform/TextRaster.h"
#include "support/FakeTextRaster.h"
#include "DesktopWindowTest.h"
#include "support/TestPlatform.h"

namespace {

constexpr UColor kClear = 0xFF000000;

class TextWindowTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    for (const char16_t* key : {u"bBilinearFilter", u"bSimulate256x256TextureHW"})
      zib->pConfig->setBool(false, u"ZibGraphics", key);
    if (!openGlWindow(u"text")) GTEST_SKIP() << "no display";
    makeGraphics();
  }
  void TearDown() override {
    font.reset();
    page.reset();
    GraphicsTest::TearDown();
  }

  // A frame of its own: the font cache counts its entries' age in frames.
  static std::unique_ptr<MemoryImageFile> drawFrame(Context& root) {
    ++zib->renderedFrames;
    return GraphicsTest::drawFrame(root);
  }
  // The pixel under back-buffer column and row (the default camera puts world (0, 0) at 400, 240).
  static UColor at(const MemoryImageFile& image, int x, int y) { return image.pImageData[size_t(y * image.width + x)]; }

  // Glyph i: a solid block 3 + i % 4 wide and 10 high; spacing 1.
  FontQuad& glyphFont() {
    page = std::make_unique<Texture>(256, 256, Texture::kKeepSource);
    for (Skin* skin : page->skins) delete skin;
    page->skins.clear();
    MemoryImageFile& pixels = *page->pSavedSourceData;
    pixels.clear(nullptr, true);
    for (int32_t i = 0; i < 256; ++i) {
      auto* quad = new Quad();
      quad->pTexture = page.get();
      const int32_t x = (i % 16) * 16, y = (i / 16) * 16, w = 3 + i % 4;
      quad->setTextureRect(x, y, y + 10, x + w);
      for (int py = y; py < y + 10; ++py)
        for (int px = x; px < x + w; ++px) pixels.pImageData[py * 256 + px] = 0xFFFFFFFF;
      page->skins.push_back(quad);
    }
    font = std::make_unique<FontQuad>();
    font->fontUppercaseLineRaw = 2;
    font->addSourceTexture(page.get(), 0);
    font->setupCompositeChars();
    font->createFontCache();
    return *font;
  }
  std::unique_ptr<Texture> page;
  std::unique_ptr<FontQuad> font;
};

TEST_F(TextWindowTest, GdiTextShowsTheRasterisedCoverageBehindItsPadding) {
  useFakeTextRaster(platform);
  FontGDI font(12, 1, 1, 1, u"Arial");
  Scene scene;
  scene.draw = [&] { font.drawText(-300, 200, 0, 0xFFFFFFFF, 0, u"LxR"); };
  drawFrame(scene);  // the first frame renders the text into the cache
  const auto image = drawFrame(scene);
  // 'L' overhangs 3 to the left: with the column of margin the pens stand at 4, 14 and 24.
  for (int y = 0; y < 14; ++y)
    for (int x = -2; x < 40; ++x) {
      const bool ink = y < 12 && (x == 4 || x == 14 || x == 24);
      EXPECT_EQ(at(*image, 100 + x, 40 + y), ink ? 0xFFFFFFFFu : kClear) << x << "," << y;
    }
  // 20,002 pixels wide: cut to 8,192 and aligned by what is left, so the line stays on screen.
  const std::u16string endless(2000, u'x');
  scene.draw = [&] {
    font.drawText(0, 100, 0, 0xFFFFFFFF, FontQuad::kAlignCentre, endless);
    font.drawText(300, 0, 0, 0xFFFFFFFF, FontQuad::kAlignRight, endless);
  };
  drawFrame(scene);
  const auto cut = drawFrame(scene);
  // Centred: pens every 10 from 1 - 4,096; right-aligned: the last pen one column before the anchor.
  for (int x = 380; x < 420; ++x) EXPECT_EQ(at(*cut, x, 145), x % 10 == 5 ? 0xFFFFFFFFu : kClear) << x;
  for (int x = 680; x < 720; ++x) EXPECT_EQ(at(*cut, x, 245), x == 689 || x == 699 ? 0xFFFFFFFFu : kClear) << x;
}

TEST_F(TextWindowTest, GlyphTextLooksTheSameDrawnGlyphByGlyphAndFromTheCache) {
  FontQuad& font = glyphFont();
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
    for (int column = -1; column < 21; ++column) {
      const bool ink = column >= 0 && column < (withD ? 19 : 15) && column != 4 && column != 10 && column != 15;
      EXPECT_EQ(at(*image, 200 + column, row + 5) & 0xFFFFFF, ink ? 0xFF0000u : kClear & 0xFFFFFF) << row << "," << column;
    }
    EXPECT_EQ(at(*image, 200, row - 1), kClear);
    // The acute (0xB4: 3 wide, 10 high) over É at x 11 + (4 + 1 - 3) / 2 = 12,
    // its top 1 + 10 - 2 = 9 above the anchor: rows row - 9 to row.
    for (int column : {12, 13, 14}) EXPECT_EQ(at(*image, 200 + column, row - 5) & 0xFFFFFF, 0xFF0000u) << column;
    for (int column : {11, 15}) EXPECT_EQ(at(*image, 200 + column, row - 5), kClear) << column;
    EXPECT_EQ(at(*image, 212, row - 10), kClear);
  }
}

TEST_F(TextWindowTest, FlagsPlaceTheTextShadowsGoBelowAndFlag0x200DrawsWithTheFallback) {
  FontQuad& font = glyphFont();
  useFakeTextRaster(platform);
  zib->pZibGraphics->bHighDetail = 1;
  Scene scene;
  // "AB": A 4 wide, a column of spacing, B 5 wide: 10 in all.
  scene.draw = [&] {
    font.drawText(0, 100, 0, 0xFFFF0000, FontQuad::kAlignRight, u"AB");
    font.drawText(-200, 100, 0, 0xFFFF0000, FontQuad::kAlignCentre | FontQuad::kBottomOnAnchor, u"AB");
    font.drawTextShadowed(-300, 0, 0, 0xFFFF0000, 0, 2, -2, 0, 0xFF0000FF, u"A");
    font.drawText(100, 0, 0, 0xFFFF0000, FontQuad::kUseGDI, u"AB");
  };
  drawFrame(scene);
  const auto image = drawFrame(scene);
  const auto red = [&](int x, int y) { return at(*image, x, y) == 0xFFFF0000u; };
  // Right-aligned: ends at the anchor, hanging below it.
  EXPECT_TRUE(red(390, 140) && red(399, 149));
  EXPECT_FALSE(red(389, 145) || red(400, 145) || red(395, 139));
  // Centred on the anchor, its bottom on it.
  EXPECT_TRUE(red(195, 130) && red(204, 139));
  EXPECT_FALSE(red(194, 135) || red(205, 135) || red(200, 140));
  // The shadow, 2 right and 2 down, under the text.
  EXPECT_TRUE(red(100, 240) && red(103, 249));
  EXPECT_EQ(at(*image, 105, 251), 0xFF0000FFu);
  EXPECT_EQ(at(*image, 99, 240), kClear);
  // The fallback: the raster's thin columns, not the glyphs' blocks.
  int ink = 0;
  for (int y = 235; y < 260; ++y)
    for (int x = 495; x < 530; ++x) ink += at(*image, x, y) != kClear;
  EXPECT_GT(ink, 0);
  EXPECT_LT(ink, 40);

  zib->pZibGraphics->bHighDetail = 0;
  EXPECT_EQ(at(*drawFrame(scene), 105, 251), kClear) << "no shadow in low detail";
}

TEST_F(TextWindowTest, TextBlockViewsDrawTheirOwnColourForTheValueOneAndRightToLeftRowsFlushRight) {
  FontQuad& font = glyphFont();
  TextLanguage::current.bRightToLeft = true;
  TextBlockView view(&font, 50, -1, u"A\x1e{00FF00}B", false);
  view.position = Vector3(-300, 0, 0);
  view.color = 0xFFFF0000;
  Scene scene;
  scene.draw = [&] { view.render(); };
  drawFrame(scene);
  const auto image = drawFrame(scene);
  // The row "AB" is 11 wide with its last advance: it starts 50 - 11 = 39 in.
  EXPECT_EQ(at(*image, 139, 245), 0xFFFF0000u);  // A: the view's own colour
  EXPECT_EQ(at(*image, 144, 245), 0xFF00FF00u);  // B: its tag's
  EXPECT_EQ(at(*image, 138, 245), kClear);
  EXPECT_EQ(at(*image, 100, 245), kClear);
}

}  // namespace
