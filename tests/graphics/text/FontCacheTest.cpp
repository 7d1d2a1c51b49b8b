#include "graphics/text/FontCache.h"

#include <numeric>

#include "base/Format.h"
#include "engine/MemoryIniFile.h"
#include "engine/TimeKeeper.h"
#include "engine/Zib.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/Texture.h"
#include "graphics/text/FontCacheEntry.h"
#include "graphics/text/FontGDI.h"
#include "support/FakeTextRaster.h"
#include "support/GraphicsFixture.h"

namespace {

class FontCacheTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    makeGraphics();
  }
  static std::vector<float> sliceWidths(FontCacheEntry* entry) {
    std::vector<float> widths;
    for (; entry; entry = entry->next) widths.push_back(entry->pQuad->width);
    return widths;
  }
};

TEST_F(FontCacheTest, ConfigurationKeyStripsAndBadSizes) {
  {
    FontCache cache(13, false, u"Test13px");
    EXPECT_EQ(zib->pConfig->getInt(u"FontCache", u"cacheTTLframes"), 2);  // written when missing
    EXPECT_EQ(cache.cacheTTLframes, 2);
    FontCacheEntry* first = cache.createCacheTexture();
    EXPECT_EQ(cache.pEntries->countChildren(), 256u / 13);
    auto* last = static_cast<FontCacheEntry*>(cache.pEntries->lastChild);
    EXPECT_EQ(first->cacheBounds.top, 0);
    EXPECT_EQ(last->cacheBounds.bottom, 19 * 13);
    EXPECT_EQ(last->cacheBounds.right, 256);
    EXPECT_EQ(static_cast<Texture*>(cache.pTextures->firstChild)->name, u"FontCacheTexTest13px[0]");
    // Only the step from paused to frozen drops strips and textures; the text is made again on its next use.
    for (int32_t from : {MODE_FROZEN, MODE_PAUSED, MODE_OK})
      for (int32_t to : {MODE_FROZEN, MODE_PAUSED, MODE_OK}) {
        if (from == MODE_PAUSED && to == MODE_FROZEN) continue;
        cache.onZIBmodeChange(from, to);
        EXPECT_EQ(cache.pEntries->countChildren(), 256u / 13) << from << " to " << to;
      }
    zib->changeZIBmode(MODE_FROZEN);
    EXPECT_EQ(cache.pEntries->countChildren(), 0u);
    EXPECT_EQ(cache.pTextures->countChildren(), 0u);
    zib->changeZIBmode(MODE_OK);
  }
  zib->pConfig->setInt(0, u"FontCache", u"cacheTTLframes");
  EXPECT_EQ(FontCache(10, false, u"a").cacheTTLframes, 1);
  // A strip taller than the texture, or of no height, is refused when the cache is made, naming it.
  EXPECT_FATAL(FontCache(257, false, u"Huge300px"), "Huge300px");
  EXPECT_FATAL(FontCache(0, false, u"Flat0px"), "Flat0px");

  // Scaling mode 2: 512-pixel textures.
  zib->hq2x = 2;
  FontCache doubled(20, false, u"Double");
  std::vector<uint32_t> pixels(1200 * 20, 0x80);
  FontCacheEntry* first = doubled.addTextGDI(pixels.data(), u"wide", 1200, 20);
  EXPECT_EQ(static_cast<Texture*>(doubled.pTextures->firstChild)->pSavedSourceData->width, 512);
  EXPECT_EQ(doubled.pEntries->countChildren(), 512u / 20);
  EXPECT_EQ(static_cast<FontCacheEntry*>(doubled.pEntries->lastChild)->cacheBounds.right, 512);
  EXPECT_EQ(sliceWidths(first), (std::vector<float>{254, 254, 92}));  // 508 device pixels a slice
  EXPECT_FATAL(FontCache(513, false, u"Huge513px"), "Huge513px");
  zib->hq2x = 1;
}

TEST_F(FontCacheTest, EntriesAreReusedByAgeAndChainsGoWhole) {
  FontCache cache(20, false, u"Age");
  FontCacheEntry* entry = cache.getFreeEntry();
  ASSERT_NE(entry, nullptr);
  zib->renderedFrames = 10;
  entry->lastUse = 10;
  entry->text = std::u16string(1, u'x');
  zib->renderedFrames = 11;
  EXPECT_NE(cache.getFreeEntry(), entry);
  zib->renderedFrames = 12;
  EXPECT_EQ(cache.getFreeEntry(), entry);
  EXPECT_EQ(entry->text, u"");
  EXPECT_EQ(cache.findText(u""), nullptr);  // free entries hold no text
  cache.cacheTTLframes = INT32_MAX;  // as configured: an entry in use is then never taken
  entry->lastUse = 12;
  EXPECT_NE(cache.getFreeEntry(), entry);
  cache.cacheTTLframes = 2;

  // 600 GDI pixels: slices of 254, 254 and 92, only the first found.
  std::vector<uint32_t> pixels(600 * 19, 0x80);
  FontCacheEntry* first = cache.addTextGDI(pixels.data(), u"wide", 600, 19);
  ASSERT_EQ(sliceWidths(first), (std::vector<float>{254, 254, 92}));
  EXPECT_FALSE(first->next->bPrimaryLine);
  EXPECT_EQ(first->next->text, u"");
  EXPECT_EQ(cache.findText(u"wide"), first);
  // Nothing of the chain is free while it is fresh; once old, the first entry goes with its followers.
  FontCacheEntry* follower = first->next->next;
  FontCacheEntry* later = cache.getFreeEntry();
  EXPECT_NE(later, follower);
  later->lastUse = zib->renderedFrames;
  first->release();
  EXPECT_TRUE(follower->bPrimaryLine);
  EXPECT_EQ(follower->lastUse, -999);
  EXPECT_EQ(first->next, nullptr);
  EXPECT_EQ(cache.findText(u"wide"), nullptr);
  EXPECT_EQ(cache.getFreeEntry(), first);  // freed in the frame that took a later entry, yet first again
}

TEST_F(FontCacheTest, TextsChangingWhilePausedReuseTheirStrips) {
  platform.clock();  // the paused frames sleep on the test clock
  zib->pTimeKeeper = new TimeKeeper();
  zib->bHasFocus = false;
  zib->changeZIBmode(MODE_PAUSED);
  FontGDI font(12, 1, 1, 1, u"Arial");
  for (int32_t i = 0; i < 60; ++i) {
    zib->frame(nullptr);  // rendered, not ticked
    font.drawText(0, 0, 0, 0xFFFFFFFF, 0, formatString(u"paused %d", i));
  }
  EXPECT_EQ(zib->frameCounter, 0);
  EXPECT_EQ(font.pFontCache->pTextures->countChildren(), 1u);  // not 60 / 19 textures
}

TEST_F(FontCacheTest, GdiFillCopiesCoverageIntoAlphaWithOneNeighbourColumn) {
  FontCache cache(9, true, u"Fill");
  // 300 x 8 rendering whose blue byte is the column's low byte.
  std::vector<uint32_t> pixels(300 * 8);
  for (int y = 0; y < 8; ++y)
    for (int x = 0; x < 300; ++x) pixels[size_t(y * 300 + x)] = 0x00FF0000u | uint32_t(x & 0xFF);
  FontCacheEntry* first = cache.addTextGDI(pixels.data(), u"fill", 300, 8);
  FontCacheEntry* second = first->next;
  ASSERT_NE(second, nullptr);
  const MemoryImageFile& image = *first->pQuad->pTexture->pSavedSourceData;
  const auto at = [&](const FontCacheEntry* e, int x, int y) {
    return image.pImageData[size_t((e->cacheBounds.top + y) * image.width + x)];
  };
  // First slice: source 0..254 (+1 neighbour) at x = 1; colour bytes keep the white clear.
  EXPECT_EQ(at(first, 1, 0), 0x00FFFFFFu);
  EXPECT_EQ(at(first, 1 + 77, 3), 0x4DFFFFFFu);
  EXPECT_EQ(at(first, 1 + 254, 7), 0xFEFFFFFFu);  // the neighbour column
  EXPECT_EQ(at(first, 0, 0), 0x00FFFFFFu);
  // Second slice: source 254..300 from x = 0, its left neighbour at x = 0.
  EXPECT_EQ(at(second, 0, 0), uint32_t(253) << 24 | 0xFFFFFF);
  EXPECT_EQ(at(second, 1, 0), uint32_t(254) << 24 | 0xFFFFFF);
  EXPECT_EQ(at(second, 46, 0), uint32_t(299 & 0xFF) << 24 | 0xFFFFFF);
  EXPECT_EQ(at(second, 47, 0), 0x00FFFFFFu);
  EXPECT_EQ(second->pQuad->pixelRect.left, 1);
  EXPECT_EQ(second->pQuad->pixelRect.right, 47);
  EXPECT_EQ(second->pQuad->pixelRect.bottom - second->pQuad->pixelRect.top, 8);
}

TEST_F(FontCacheTest, GdiFontMeasuresWithMarginsAndDrawsThroughItsCache) {
  FontGDI font(12, 1, 1, 1, u"Arial");
  EXPECT_EQ(font.fontHeightRaw, 12);
  EXPECT_EQ(font.fontBaselineRaw, 9);
  EXPECT_NE(logText().find("Font 'Arial' uses the family 'Liberation Sans'."), std::string::npos);
  EXPECT_EQ(font.calcTextSize(nullptr, nullptr, u"").x, 0);
  EXPECT_EQ(font.calcTextSize(nullptr, nullptr, u"").y, 12);
  const PointI size = font.calcTextSize(nullptr, nullptr, u"Hello");
  EXPECT_EQ(size.y, 12);
  EXPECT_EQ(font.measureText(u"Hello").x, float(size.x));
  EXPECT_FATAL(FontGDI(12, 1, 1, 1, u"A face name of more than thirty characters"), "LF_FACESIZE");

  font.drawText(0, 0, 0, 0xFFFFFFFF, 0, u"Hello");
  FontCacheEntry* entry = font.pFontCache->findText(u"Hello");
  ASSERT_NE(entry, nullptr);
  EXPECT_EQ(entry->pQuad->width, float(size.x));
  font.drawText(0, 0, 0, 0xFFFFFFFF, 0, u"Hello");
  EXPECT_EQ(font.pFontCache->pEntries->countChildren(), 256u / 13);  // drawn again from the same strip
}

TEST_F(FontCacheTest, OverhangsWidenTheText) {
  useFakeTextRaster(platform);
  FontGDI font(12, 1, 1, 1, u"Arial");
  int32_t left = 0, right = 0;
  // Three advances of 10, the overhangs of 'L' (3) and 'R' (2), and a column of margin each side.
  EXPECT_EQ(font.calcTextSize(&left, &right, u"LxR").x, 37);
  EXPECT_EQ(left, 4);
  EXPECT_EQ(right, 3);
  EXPECT_EQ(font.calcTextSize(nullptr, nullptr, u"xx").x, 22);
  EXPECT_EQ(font.calcTextSize(nullptr, nullptr, u"RL").x, 22);  // only the first A and the last C count
  // 10,002 pixels wide: cut to 8,192, in 33 strips.
  const std::u16string endless(1000, u'x');
  font.drawText(0, 0, 0, 0xFFFFFFFF, 0, endless);
  const std::vector<float> slices = sliceWidths(font.pFontCache->findText(endless));
  EXPECT_EQ(slices.size(), 33u);
  EXPECT_EQ(font.measureText(endless).x, std::accumulate(slices.begin(), slices.end(), 0.f));  // measured as drawn
}

}  // namespace
