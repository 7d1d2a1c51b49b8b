// The glyph fonts fontbake baked into fonts.dat, against FreeType's own
// rendering of the same letters on a canvas with room all round: every slot
// of every code page baked keeps all its ink (bearings and overhangs
// included), the hanging accents keep their rows, and slots without a
// letter are blank and as wide as the space.
#include <gtest/gtest.h>

#include <optional>
#include <string>
#include <vector>

#include "base/StringUtils.h"
#include "engine/ByteBuffer.h"
#include "engine/FileData.h"
#include "engine/FileManager.h"
#include "engine/MemoryIniFile.h"
#include "engine/Zib.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/text/CodePageTables.h"
#include "platform/TextRaster.h"
#include "support/EngineFixture.h"

namespace {

struct Coverage {
  int64_t sum = 0;
  int32_t top = -1, bottom = -1;  // ink rows, exclusive bottom; -1 without ink
};

Coverage coverageOf(const std::vector<uint32_t>& alpha, int32_t width, int32_t left, int32_t top, int32_t w,
                    int32_t h) {
  Coverage c;
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      if (const uint32_t a = alpha[size_t(top + y) * width + left + x]) {
        c.sum += a;
        if (c.top < 0) c.top = y;
        c.bottom = y + 1;
      }
  return c;
}

// FreeType's letter with the cell's top-left corner at (cell * 2, cell): nothing clipped.
Coverage reference(TextRasterFont& font, char16_t c, int32_t cell) {
  const int32_t width = font.getTextExtent(std::u16string(1, c)).cx + 4 * cell, height = 3 * cell;
  std::vector<uint32_t> pixels(size_t(width) * height, 0);
  font.textOut(pixels.data(), width, height, 2 * cell, cell, std::u16string(1, c));
  for (uint32_t& p : pixels) p &= 0xFF;
  Coverage found = coverageOf(pixels, width, 0, 0, width, height);
  if (found.top >= 0) found.top -= cell, found.bottom -= cell;  // from the cell's top
  return found;
}

bool isComposed(char16_t c) {
  if (c == 0x178 || c == 0xFF) return true;
  const char16_t low = c & 0xDF;
  return c >= 0xC0 && c <= 0xFD && low != 0xC6 && low != 0xD0 && low != 0xD7 && low != 0xD8 && low != 0xDE &&
         low != 0xDF;
}

using FontbakeTest = EngineTest;

TEST_F(FontbakeTest, EveryBakedGlyphKeepsFreeTypesInkAndTheHangingAccentsTheirRows) {
  zib->pFileManager = new FileManager();
  zib->pFileManager->useWad(fromUtf8(ZIB_BIN_DIR) + u"/fonts.dat");
  const FileData settingsFile(false, u"gfx/font/fonts.settings");
  ByteBuffer bytes;
  bytes.append(settingsFile.block.data, settingsFile.block.size);
  MemoryIniFile settings(bytes);
  ASSERT_EQ(settings.sections.count(u"fontLarge"), 1u);
  int32_t hanging = 0;
  for (const auto& [name, section] : settings.sections) {
    if (name.empty()) continue;
    SCOPED_TRACE(toUtf8(name));
    const int32_t cell = settings.getInt(name, u"height"), spaceWidth = settings.getInt(name, u"spaceWidth");
    const std::u16string codePage = settings.getString(name, u"codePage"), file = settings.getString(name, u"file");
    const uint16_t* table = findCodePageTable(codePage);
    ASSERT_NE(table, nullptr) << toUtf8(codePage);
    auto font = openTextRasterFont(settings.getString(name, u"face"), cell);
    ASSERT_TRUE(font);
    int32_t slot = settings.getInt(name, u"firstSlot");
    // Rows from a cell's top to the letter's own top: one for the whole font.
    std::optional<int32_t> shift;
    for (int32_t page = 1;; ++page) {
      const std::u16string path = file.empty() ? u"gfx/font/" + name + u"/" + name + u"-" + fromUtf8(std::to_string(page)) + u".tga"
                                               : u"gfx/font/" + file + u".tga";
      if (!zib->pFileManager->exists(path) || (!file.empty() && page > 1)) break;
      const MemoryImageFile image(0, path);
      std::vector<uint32_t> alpha(size_t(image.width) * image.height);
      for (size_t i = 0; i < alpha.size(); ++i) alpha[i] = image.pImageData[i] >> 24;
      const FileData skinsFile(false, path + u".ini");
      ByteBuffer skinBytes;
      skinBytes.append(skinsFile.block.data, skinsFile.block.size);
      MemoryIniFile skins(skinBytes);
      for (int32_t skin = 0;; ++skin, ++slot) {
        const std::u16string key = u"Skin " + fromUtf8(std::to_string(skin));
        if (!skins.sections.count(key)) break;
        const int32_t left = skins.getInt(key, u"left"), top = skins.getInt(key, u"top");
        const int32_t w = skins.getInt(key, u"width"), h = skins.getInt(key, u"height");
        const char16_t c = slot == 0x7F ? char16_t(0x131) : table[slot];
        SCOPED_TRACE("slot " + std::to_string(slot));
        const Coverage baked = coverageOf(alpha, image.width, left, top, w, h);
        if (slot < 0x21 || isComposed(c) || !font->hasGlyph(c)) {
          EXPECT_EQ(baked.sum, 0) << "blank";
          EXPECT_EQ(w, spaceWidth) << "measured as the space";
          continue;
        }
        const Coverage ink = reference(*font, c, cell);
        EXPECT_EQ(baked.sum, ink.sum) << "all of the letter's ink and nothing else";
        const bool bCroppedAccent = c == 0x60 || c == 0xB4 || c == 0x2C6 || c == 0x2DC || c == 0xA8 || c == 0xB0 || c == 0x2D9;
        if (ink.sum == 0 || bCroppedAccent) continue;
        if (!shift) shift = baked.top - ink.top;
        EXPECT_EQ(baked.top - ink.top, *shift) << "every letter on the font's baseline";
        if (c == 0xB8 || c == 0x2DB) {
          ++hanging;
          EXPECT_GE(h, cell);
          // Under the letter, where the face's own composed letter has it.
          const Coverage composed = reference(*font, c == 0xB8 ? u'\u00C7' : u'\u0104', cell);
          if (font->hasGlyph(c == 0xB8 ? u'\u00C7' : u'\u0104')) {
            EXPECT_NEAR(baked.bottom - *shift, composed.bottom, 1);
          }
        }
      }
    }
  }
  EXPECT_GE(hanging, 4) << "the cedilla of the four text fonts";
}

}  // namespace
