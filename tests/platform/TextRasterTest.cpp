#include "platform/TextRaster.h"

#include <gtest/gtest.h>

#include <vector>

namespace {

TEST(TextRasterTest, WindowsFaceNamesResolveToTheirLookAlikes) {
  EXPECT_EQ(openTextRasterFont(u"Arial", 12)->familyName(), u"Liberation Sans");
  EXPECT_EQ(openTextRasterFont(u"Comic Sans MS", 12)->familyName(), u"Comic Neue");
  EXPECT_EQ(openTextRasterFont(u"No Such Face", 12)->familyName(), u"DejaVu Sans");
  EXPECT_EQ(openTextRasterFont(u"Arial", 0), nullptr);
}

TEST(TextRasterTest, CellIsTheHeightAskedForAndInkStaysInside) {
  for (int32_t height = 8; height <= 64; ++height) {
    auto font = openTextRasterFont(u"Arial", height);
    const TextExtent extent = font->getTextExtent(u"Hgjy|");
    ASSERT_EQ(extent.cy, height);
    // Ink of the tallest and deepest letters lands inside the cell, and some of it at the top half and bottom.
    const int32_t w = extent.cx + 4, h = height + 8;
    std::vector<uint32_t> pixels(size_t(w * h), 0);
    font->textOut(pixels.data(), w, h, 0, 4, u"Hgjy|");
    int32_t top = h, bottom = -1;
    for (int32_t y = 0; y < h; ++y)
      for (int32_t x = 0; x < w; ++x)
        if (pixels[size_t(y * w + x)] & 0xFF) {
          top = std::min(top, y);
          bottom = std::max(bottom, y);
        }
    EXPECT_GE(top, 4) << height;
    EXPECT_LT(bottom, 4 + height) << height;
    EXPECT_GT(bottom - top, height / 2) << height;
  }
}

TEST(TextRasterTest, ExtentsSumWholeAdvancesAndPixelsAreGreyOnBlackClipped) {
  auto font = openTextRasterFont(u"Arial", 20);
  const int32_t av = font->getTextExtent(u"AV").cx;
  EXPECT_EQ(av, font->getTextExtent(u"A").cx + font->getTextExtent(u"V").cx);  // no kerning
  const AbcWidths abc = font->getCharABCWidths(U'A');
  EXPECT_EQ(abc.a + int32_t(abc.b) + abc.c, font->getTextExtent(u"A").cx);
  // A surrogate pair is one character.
  EXPECT_EQ(font->getTextExtent(u"\U0001D400").cx, font->getTextExtent(u"\U0001D400\U0001D400").cx / 2);

  // Drawn half outside the buffer: clipped, and every pixel a grey value.
  std::vector<uint32_t> pixels(16 * 10, 0);
  font->textOut(pixels.data(), 16, 10, -5, -8, u"WWWW");
  bool ink = false;
  for (uint32_t p : pixels) {
    EXPECT_EQ(p >> 24, 0u);
    EXPECT_EQ(p & 0xFF, (p >> 8) & 0xFF);
    EXPECT_EQ(p & 0xFF, (p >> 16) & 0xFF);
    ink = ink || p;
  }
  EXPECT_TRUE(ink);
}

}  // namespace
