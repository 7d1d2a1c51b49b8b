#include "graphics/text/FontQuad.h"

#include <iconv.h>

#include "engine/FileData.h"
#include "engine/ResourceManager.h"
#include "engine/Zib.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/Quad.h"
#include "graphics/Texture.h"
#include "graphics/text/CodePageTables.h"
#include "graphics/text/FontCache.h"
#include "graphics/text/FontCacheEntry.h"
#include "graphics/text/FontGDI.h"
#include "graphics/text/FontQuadSymbol.h"
#include "graphics/text/TextBlock.h"
#include "graphics/text/TextLanguage.h"
#include "graphics/text/TextLine.h"
#include "graphics/text/TextLineSegment.h"
#include "support/GraphicsFixture.h"

namespace {

// `count` glyphs of opaque white, glyph i widths[i % n] x height, laid out left to right in rows.
std::unique_ptr<Texture> glyphPage(int32_t count, std::vector<int32_t> widths, int32_t height) {
  auto texture = std::make_unique<Texture>(512, 512, Texture::kKeepSource | Texture::kAllow512);
  for (Skin* skin : texture->skins) delete skin;
  texture->skins.clear();
  MemoryImageFile& image = *texture->pSavedSourceData;
  int32_t x = 0, y = 0;
  for (int32_t i = 0; i < count; ++i) {
    const int32_t w = widths[size_t(i) % widths.size()];
    if (x + w > 512) x = 0, y += height;
    auto* quad = new Quad();
    quad->pTexture = texture.get();
    quad->setTextureRect(x, y, y + height, x + w);
    for (int32_t py = y; py < y + height; ++py)
      for (int32_t px = x; px < x + w; ++px) image.pImageData[py * image.width + px] = 0xFFFFFFFF;
    texture->skins.push_back(quad);
    x += w;
  }
  return texture;
}

class FontQuadTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    makeGraphics();
  }
};

TEST_F(FontQuadTest, CodePageTablesAgreeWithIconv) {
  for (const char* name : {"1250", "1251", "1252", "1253", "1255"}) {
    const uint16_t* table = findCodePageTable(fromUtf8(name));
    ASSERT_NE(table, nullptr);
    iconv_t cd = iconv_open("UTF-16LE", (std::string("CP") + name).c_str());
    ASSERT_NE(cd, iconv_t(-1));
    int32_t defined = 0;
    for (int b = 0; b < 256; ++b) {
      char in = char(b), out[8] = {};
      char *pin = &in, *pout = out;
      size_t inLeft = 1, outLeft = sizeof out;
      if (iconv(cd, &pin, &inLeft, &pout, &outLeft) == size_t(-1) || outLeft != 6) continue;
      const uint16_t expected = uint16_t(uint8_t(out[0]) | uint8_t(out[1]) << 8);
      // glibc's CP1255 composes Hebrew points statefully: only the rest compares.
      if (std::string(name) == "1255" && b >= 0xC0) continue;
      EXPECT_EQ(table[b], expected) << name << " byte " << b;
      ++defined;
    }
    iconv_close(cd);
    EXPECT_GE(defined, 180) << name;
  }
  EXPECT_EQ(findCodePageTable(u"1252")[0x81], 0x81);
  EXPECT_EQ(findCodePageTable(u"1253")[170], 0xF8F9);
  // Hebrew above 0xC0, where iconv can't be asked: points, letters and the private-use forms.
  const uint16_t* hebrew = findCodePageTable(u"1255");
  EXPECT_EQ((std::vector<uint16_t>{hebrew[0xC0], hebrew[0xC9], hebrew[0xCA], hebrew[0xD3], hebrew[0xE0], hebrew[0xFA],
                                   hebrew[0xFB], hebrew[0xFC], hebrew[0xFD], hebrew[0xFF]}),
            (std::vector<uint16_t>{0x05B0, 0x05B9, 0x05BA, 0x05C3, 0x05D0, 0x05EA, 0xF894, 0xF895, 0x200E, 0xF896}));
  for (int b = 0xD9; b <= 0xDF; ++b) EXPECT_EQ(hebrew[b], 0xF88D + (b - 0xD9)) << b;
  EXPECT_EQ(findCodePageTable(u"932"), nullptr);
}

TEST_F(FontQuadTest, SlotsFollowTheCodePageSkipTheSpaceAndCheckCounts) {
  auto page = glyphPage(256, {5, 7}, 10);
  FontQuad font;
  font.addSourceTexture(page.get(), 0);
  EXPECT_EQ(font.getSymbol(u'A')->pBaseQuad, page->skins[0x41]);
  EXPECT_EQ(font.getSymbol(u' ')->pBaseQuad, nullptr);
  EXPECT_EQ(font.getSymbol(0x20AC)->pBaseQuad, page->skins[0x80]);  // the euro sign in 1252
  EXPECT_EQ(font.getSymbol(u'A')->advance, 1);
  EXPECT_EQ(font.fontHeightRaw, 10);
  EXPECT_EQ(font.nextSymbolToLoad, 256);

  // The HUD font's first slot 44 is the comma.
  auto hud = glyphPage(3, {6}, 12);
  FontQuad hudFont;
  hudFont.addSourceTexture(hud.get(), 44);
  EXPECT_EQ(hudFont.getSymbol(u',')->pBaseQuad, hud->skins[0]);
  EXPECT_EQ(hudFont.getSymbol(u'.')->pBaseQuad, hud->skins[2]);
  EXPECT_FATAL(hudFont.addSourceTexture(hud.get(), 44), "sym->pBaseQuad == NULL");
  EXPECT_FATAL(hudFont.addSourceTexture(page.get(), 1), "codepage2unicodeEntries");
  TextLanguage::current.codePage = u"437";
  EXPECT_FATAL(hudFont.addSourceTexture(hud.get(), 0), "No LUT for codepage '437'.");
}

TEST_F(FontQuadTest, LookupTableResourceAndItsDamage) {
  useDiskFiles();
  TextLanguage::current.codePage = u"Korean";
  std::vector<std::unique_ptr<FileData>> files;  // the registry never owns what it names
  const auto lutFile = [&](const char* name, uint32_t count, uint32_t entries) {
    std::string bytes(8, '\0');
    bytes[4] = char(count), bytes[5] = char(count >> 8), bytes[6] = char(count >> 16), bytes[7] = char(count >> 24);
    for (uint32_t i = 0; i < entries; ++i) {
      const uint32_t cp = 0xAC00 + i;
      bytes += std::string{char(cp), char(cp >> 8), '\x12', '\x34'};
    }
    const std::string path = (dataHome.path() / name).string();
    writeFile(path, bytes);
    files.push_back(std::make_unique<FileData>(false, fromUtf8(path)));
    return files.back().get();
  };
  auto page = glyphPage(3, {8}, 9);
  {
    FontQuad font;
    zib->pResourceManager->addResource(lutFile("good", 300, 300), u"Korean.codepointLUT");
    font.addSourceTexture(page.get(), 0);
    EXPECT_EQ(font.getSymbol(0xAC01)->pBaseQuad, page->skins[1]);
    // Pages by name: "k1", "k2"... from slot 0 on, "kExtra1"... from slot 0x100 on.
    auto second = glyphPage(2, {8}, 9), extra = glyphPage(2, {8}, 9);
    for (auto [name, texture] : {std::pair{u"k1", page.get()}, {u"k2", second.get()}, {u"kExtra1", extra.get()}})
      zib->pResourceManager->addResource(texture, name);
    FontQuad named;
    named.addSourceTextures(u"k");
    EXPECT_EQ(named.fontName, u"k");
    EXPECT_EQ(named.getSymbol(0xAC03)->pBaseQuad, second->skins[0]);
    EXPECT_EQ(named.getSymbol(0xAD01)->pBaseQuad, extra->skins[1]);
  }
  const auto freshRegistry = [] { delete zib->pResourceManager, zib->pResourceManager = new ResourceManager(); };
  freshRegistry();
  FontQuad font;
  EXPECT_FATAL(font.addSourceTexture(page.get(), 0), "Korean.codepointLUT");  // must exist
  zib->pResourceManager->addResource(lutFile("short", 300, 2), u"Korean.codepointLUT");
  EXPECT_FATAL(font.addSourceTexture(page.get(), 0), "300 entries in 16 bytes");
  freshRegistry();
  zib->pResourceManager->addResource(lutFile("huge", 0x10000, 0), u"Korean.codepointLUT");
  EXPECT_FATAL(font.addSourceTexture(page.get(), 0), "65536 entries");
}

TEST_F(FontQuadTest, MeasuringLimitsLastAdvanceAndAlignment) {
  auto page = glyphPage(256, {4}, 10);
  FontQuad font;
  font.spaceWidth = 6;
  font.addSourceTexture(page.get(), 0);
  font.fontUppercaseLineRaw = 2;
  font.createFontCache();
  EXPECT_EQ(font.fontBaselineRaw, 10);
  int32_t limit = 10;
  EXPECT_EQ(font.calcTextWidth(false, &limit, 0, u"abc").x, 10);
  EXPECT_EQ(limit, 2);
  limit = 100;
  EXPECT_EQ(font.calcTextWidth(false, &limit, 0, u"abc").x, 14);
  EXPECT_EQ(limit, 3);
  EXPECT_EQ(font.calcTextWidth(false, nullptr, 0, u"a").x, 4);
  EXPECT_EQ(font.calcTextWidth(true, nullptr, 0, u"a").x, 5);
  EXPECT_EQ(font.calcTextWidth(true, nullptr, 0, u"a b").x, 5 + 6 + 5);  // no glyph: spaceWidth, advance 0
  EXPECT_EQ(font.calcTextWidth(true, nullptr, 0, u"\u4E00").x, 6);
  const float widthLimit = 10.9f;
  int32_t fit = -1;
  EXPECT_EQ(font.measureText(false, &widthLimit, &fit, 0, u"abcd").x, 10);
  EXPECT_EQ(fit, 2);
  // Tags are neither measured nor shown.
  EXPECT_EQ(font.getTextSize(u"ab\x1e{FF0000}cd").x, 20);
  // Flag 0x200 measures with the TrueType fallback at the font's height.
  const Vector3 gdi = font.measureText(false, &widthLimit, &fit, FontQuad::kUseGDI, u"abcd");
  EXPECT_EQ(fit, 4);
  EXPECT_EQ(gdi.y, 10);
  EXPECT_EQ(gdi.x, 0.75f * static_cast<float>(font.getGDIFont()->calcTextSize(nullptr, nullptr, u"abcd").x));
  EXPECT_NE(logText().find("Font 'Comic Sans MS' uses the family 'Comic Neue'."), std::string::npos);

  float x, y;
  font.alignmentOffsets(0x8 | 0x4, 15, x, y);
  EXPECT_EQ(x, -15 - 7);
  font.alignmentOffsets(0x10, 0, x, y);
  EXPECT_EQ(y, 5);
  font.alignmentOffsets(0x20 | 0x40 | 0x80, 0, x, y);
  EXPECT_EQ(y, 10 + 6 + 10);
}

TEST_F(FontQuadTest, CompositesTakeBaseAndAccentAndSkipMissingBases) {
  auto page = glyphPage(256, {7, 3}, 12);  // even slots 7 wide, odd slots 3 wide
  FontQuad font;
  font.fontUppercaseLineRaw = 2;
  font.fontLowercaseLineRaw = 5;
  font.addSourceTexture(page.get(), 0);
  font.setupCompositeChars();
  const FontQuadSymbol* e = font.getSymbol(0xC9);  // É = E (0x45, 3 wide) + acute (0xB4, 7 wide)
  EXPECT_EQ(e->pBaseQuad, page->skins[0x45]);
  EXPECT_EQ(e->pAccentQuad, page->skins[0xB4]);
  EXPECT_EQ(e->accentOffsetX, -1);  // (3 + 1 - 7) / 2, toward zero
  EXPECT_EQ(e->accentOffsetY, 1 + 12 - 2);
  const FontQuadSymbol* i = font.getSymbol(0xED);  // í on the dotless i of slot 0x7F
  EXPECT_EQ(i->pBaseQuad, page->skins[0x7F]);
  EXPECT_EQ(i->accentOffsetY, 1 + 12 - 5);
  EXPECT_EQ(font.getSymbol(0xE7)->accentOffsetY, 0);  // the cedilla sits on the line
  EXPECT_EQ(font.getSymbol(0x178)->pAccentQuad, page->skins[0xA8]);
  EXPECT_EQ(font.calcTextWidth(true, nullptr, 0, u"\u00C9").x, 3 + 1);

  // Only the upper half of the page: letters whose base is missing are skipped.
  auto upper = glyphPage(0x60, {5}, 12);
  FontQuad half;
  half.addSourceTexture(upper.get(), 0xA0);
  half.setupCompositeChars();
  EXPECT_EQ(half.getSymbol(0xC0)->pBaseQuad, upper->skins[0x20]);  // its own glyph stays
  EXPECT_EQ(half.getSymbol(0x178)->pBaseQuad, nullptr);

  FontQuad plain;
  TextLanguage::current.compositeChars = u"No";
  plain.addSourceTexture(page.get(), 0);
  plain.setupCompositeChars();
  EXPECT_EQ(plain.getSymbol(0xC9)->pBaseQuad, page->skins[0xC9]);
  EXPECT_EQ(plain.getSymbol(0xC9)->pAccentQuad, nullptr);
}

TEST_F(FontQuadTest, FourCharactersOrMoreComeFromTheCacheWithinTheirStrip) {
  auto page = glyphPage(256, {9}, 10);
  FontQuad font;
  font.glyphSpacing = -4;  // glyphs overlap
  font.addSourceTexture(page.get(), 0);
  font.createFontCache();
  font.drawText(0, 0, 0, 0xFFFFFFFF, 0, u"abc");
  EXPECT_EQ(font.pFontCache->findText(u"abc"), nullptr);
  font.drawText(0, 0, 0, 0xFFFFFFFF, FontQuad::kNoCache, u"abcd");
  EXPECT_EQ(font.pFontCache->findText(u"abcd"), nullptr);
  font.drawText(0, 0, 0, 0xFFFFFFFF, 0, u"abcd");
  EXPECT_NE(font.pFontCache->findText(u"abcd"), nullptr);

  // A long text fills strips up to their right limit, never past it.
  const std::u16string text(200, u'W');
  FontCacheEntry* first = font.findCachedText(text);
  int32_t strips = 0;
  for (FontCacheEntry* entry = first; entry; entry = entry->next, ++strips)
    EXPECT_LE(entry->pQuad->pixelRect.right, entry->cacheBounds.right - 1);
  EXPECT_EQ(strips, 4);  // steps of 5 from x = 1 while a 9-wide glyph ends by 255: 50 a strip
  const MemoryImageFile& image = *first->pQuad->pTexture->pSavedSourceData;
  EXPECT_EQ(image.pImageData[size_t(first->cacheBounds.top * image.width + 1)], 0xFFFFFFFFu);
  EXPECT_EQ(image.pImageData[size_t(first->cacheBounds.top * image.width)], 0u);
  // A line wider than any screen is cut: what fits 8,192 pixels is cached, 1,637 characters in 33 strips.
  const std::u16string endless(100000, u'W');
  font.drawText(0, 0, 0, 0xFFFFFFFF, 0, endless);
  EXPECT_EQ(font.pFontCache->findText(endless), nullptr);
  strips = 0;
  for (first = font.pFontCache->findText(endless.substr(0, 1637)); first; first = first->next) ++strips;
  EXPECT_EQ(strips, 33);
}

// Every character 4 wide with a spacing of 1: 5 a character, 4 a space.
class TextBlockTest : public FontQuadTest {
 protected:
  void SetUp() override {
    FontQuadTest::SetUp();
    page = glyphPage(128, {4}, 10);
    font = std::make_unique<FontQuad>();
    font->addSourceTexture(page.get(), 0);
    font->createFontCache();
  }
  void TearDown() override {
    font.reset();
    page.reset();
    FontQuadTest::TearDown();
  }

  struct Run {
    std::u16string text;
    UColor color;
    bool operator==(const Run&) const = default;
  };
  static std::vector<Run> runs(const ZibBase& line) {
    std::vector<Run> result;
    for (BasicLink* node = line.firstChild; node; node = node->next) {
      auto* segment = static_cast<TextLineSegment*>(node);
      result.push_back({segment->text, segment->color});
    }
    return result;
  }
  // The rows' texts, tags removed.
  static std::vector<std::u16string> rows(const TextBlock& block) {
    std::vector<std::u16string> result;
    for (BasicLink* node = block.firstChild; node; node = node->next) {
      std::u16string text;
      for (const Run& run : runs(*static_cast<TextLine*>(node))) text += run.text;
      result.push_back(text);
    }
    return result;
  }

  std::unique_ptr<Texture> page;
  std::unique_ptr<FontQuad> font;
};

TEST_F(TextBlockTest, LinesSplitAtTagsIntoColouredMeasuredRuns) {
  TextLine line(font.get(), 0x12345678, u"ab\x1e{FF0000}cd\x1e{000001}\x1e{00ff00}e");
  EXPECT_EQ(runs(line), (std::vector<Run>{{u"ab", 0x12345678}, {u"cd", 0xFFFF0000}, {u"e", 0xFF00FF00}}));
  EXPECT_EQ(line.endColor, 0xFF00FF00u);
  EXPECT_EQ(line.width, 25);
  TextLine own(font.get(), 5, u"x\x1e{000001}");
  EXPECT_EQ(own.endColor, 1u);  // the drawing object's own colour, not an opaque one
  // As "{%08x}" reads them: a sign negates, "0x" leads the digits.
  TextLine forms(font.get(), 7, u"\x1e{-00002}a\x1e{0x0ff0}b\x1e{+0xF00}c");
  EXPECT_EQ(runs(forms), (std::vector<Run>{{u"a", 0xFFFFFFFE}, {u"b", 0xFF000FF0}, {u"c", 0xFF000F00}}));
  TextLine empty(font.get(), 7, u"");
  EXPECT_EQ(runs(empty), (std::vector<Run>{{u"", 7}}));
  TextLine tagOnly(font.get(), 7, u"\x1e{0000ff}");
  EXPECT_TRUE(runs(tagOnly).empty());
  EXPECT_EQ(tagOnly.endColor, 0xFF0000FFu);

  EXPECT_FATAL(TextLine(font.get(), 7, u"a\x1e(FF0000)b"), "Couldn't extract markup from line '(FF0000)'");
  EXPECT_FATAL(TextLine(font.get(), 7, u"a\x1e{zz}xxxxx"), "Couldn't extract markup");
  // A tag cut off by the end of the text is reported, not read past the end.
  EXPECT_FATAL(TextLine(font.get(), 7, u"a\x1e{FF"), "Couldn't extract markup from line '{FF'");
}

TEST_F(TextBlockTest, WrapsAtSpacesAndBarsKeepingColourAcrossRows) {
  EXPECT_EQ(rows(TextBlock(font.get(), 1000, -1, u"aaa|bbb")), (std::vector<std::u16string>{u"aaa", u"bbb"}));
  EXPECT_EQ(rows(TextBlock(font.get(), 1000, -1, u"a||b")), (std::vector<std::u16string>{u"a", u"", u"b"}));
  EXPECT_EQ(rows(TextBlock(font.get(), 1000, -1, u"a b|")), (std::vector<std::u16string>{u"a b", u""}));
  EXPECT_EQ(rows(TextBlock(font.get(), 1000, -1, u"")), (std::vector<std::u16string>{u""}));

  // "aa bb cc" at 30: "aa bb" is 5+5+4+5+5 = 24 wide, "aa bb cc" 43.
  TextBlock block(font.get(), 30, 12, u"aa bb cc");
  EXPECT_EQ(rows(block), (std::vector<std::u16string>{u"aa bb", u"cc"}));
  EXPECT_EQ(block.width, 24);
  EXPECT_EQ(block.height, 12 + 10);

  // Every row, not only the first, fills up to exactly the width; a spacing of 0 stays 0.
  TextBlock exact(font.get(), 24, 0, u"aa bb cc dd ee ff g");
  EXPECT_EQ(rows(exact), (std::vector<std::u16string>{u"aa bb", u"cc dd", u"ee ff", u"g"}));
  EXPECT_EQ(exact.lineSpacing, 0);
  EXPECT_EQ(exact.height, 10);
  EXPECT_EQ(rows(TextBlock(font.get(), 23, -1, u"aa bb cc")), (std::vector<std::u16string>{u"aa", u"bb", u"cc"}));

  // A word wider than the width stands alone, wider than asked.
  TextBlock longWord(font.get(), 12, -1, u"a bbbbbbb c");
  EXPECT_EQ(rows(longWord), (std::vector<std::u16string>{u"a", u"bbbbbbb", u"c"}));
  EXPECT_EQ(longWord.width, 35);
  EXPECT_EQ(longWord.lineSpacing, 10);

  // The colour set in one row starts the next; bars inside tags never break.
  TextBlock coloured(font.get(), 20, -1, u"x\x1e{00FF00}yy zz");
  auto* second = static_cast<TextLine*>(coloured.firstChild->next);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(runs(*second), (std::vector<Run>{{u"zz", 0xFF00FF00}}));
  EXPECT_EQ(runs(*static_cast<TextLine*>(coloured.firstChild)).front().color, 1u);
  // "{ 00FF0}" reads as a tag (blanks before the digits are skipped): its space is no break.
  TextBlock spaced(font.get(), 12, -1, u"aa\x1e{ 00FF0}bb");
  ASSERT_EQ(spaced.countChildren(), 1u);
  EXPECT_EQ(runs(*static_cast<TextLine*>(spaced.firstChild)),
            (std::vector<Run>{{u"aa", 1}, {u"bb", 0xFF000FF0}}));
}

TEST_F(TextBlockTest, RightToLeftWrapsFromTheEnd) {
  TextLanguage::current.bRightToLeft = true;
  EXPECT_EQ(rows(TextBlock(font.get(), 24, -1, u"g aa bb cc dd ee ff")),
            (std::vector<std::u16string>{u"ee ff", u"cc dd", u"aa bb", u"g"}));
  EXPECT_EQ(rows(TextBlock(font.get(), 24, -1, u"aa bb")), (std::vector<std::u16string>{u"aa bb"}));
  EXPECT_EQ(rows(TextBlock(font.get(), 30, -1, u"aa bb cc")), (std::vector<std::u16string>{u"bb cc", u"aa"}));
  EXPECT_EQ(rows(TextBlock(font.get(), 1000, -1, u"aaa|bbb")), (std::vector<std::u16string>{u"bbb", u"aaa"}));
  EXPECT_EQ(rows(TextBlock(font.get(), 12, -1, u"a bbbbbbb c")),
            (std::vector<std::u16string>{u"c", u"bbbbbbb", u"a"}));
}

}  // namespace
