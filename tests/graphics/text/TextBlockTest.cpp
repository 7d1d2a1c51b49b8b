#include "graphics/text/TextBlock.h"

#include "graphics/Quad.h"
#include "graphics/Texture.h"
#include "graphics/text/FontQuad.h"
#include "graphics/text/TextLanguage.h"
#include "graphics/text/TextLine.h"
#include "graphics/text/TextLineSegment.h"
#include "support/GraphicsFixture.h"

namespace {

// Every character 4 wide with a spacing of 1: 5 a character, 4 a space.
class TextBlockTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    makeGraphics();
    page = std::make_unique<Texture>(512, 64, Texture::kKeepSource | Texture::kAllow512);
    for (Skin* skin : page->skins) delete skin;
    page->skins.clear();
    for (int32_t i = 0; i < 128; ++i) {
      auto* quad = new Quad();
      quad->pTexture = page.get();
      quad->setTextureRect(i * 4, 0, 10, i * 4 + 4);
      page->skins.push_back(quad);
    }
    font = std::make_unique<FontQuad>();
    font->addSourceTexture(page.get(), 0);
    font->createFontCache();
  }
  void TearDown() override {
    font.reset();
    page.reset();
    GraphicsTest::TearDown();
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
