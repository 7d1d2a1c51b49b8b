#include "platform/freetype/FreeTypeRaster.h"

#include <fontconfig/fontconfig.h>
#include <ft2build.h>
#include FT_FREETYPE_H
#include FT_TRUETYPE_TABLES_H

#include <algorithm>
#include <cmath>
#include <mutex>
#include <string>
#include <unordered_map>
#include <vector>


namespace {

FT_Library library() {
  static FT_Library instance = [] {
    FT_Library lib = nullptr;
    if (FT_Init_FreeType(&lib) != 0) lib = nullptr;
    return lib;
  }();
  return instance;
}

std::u16string widen(const std::string& text) {
  std::u16string out;
  for (size_t i = 0; i < text.size();) {
    const auto c = static_cast<unsigned char>(text[i]);
    char32_t cp = 0xFFFD;
    size_t n = 1;
    if (c < 0x80) {
      cp = c;
    } else if ((c & 0xE0) == 0xC0 && i + 1 < text.size()) {
      cp = (c & 0x1Fu) << 6 | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu);
      n = 2;
    } else if ((c & 0xF0) == 0xE0 && i + 2 < text.size()) {
      cp = (c & 0x0Fu) << 12 | (static_cast<unsigned char>(text[i + 1]) & 0x3Fu) << 6 |
           (static_cast<unsigned char>(text[i + 2]) & 0x3Fu);
      n = 3;
    }
    out.push_back(static_cast<char16_t>(cp));
    i += n;
  }
  return out;
}

std::string narrow(const std::u16string& text) {
  std::string out;
  for (char16_t c : text) out.push_back(c < 0x80 ? static_cast<char>(c) : '?');
  return out;
}

// The installed families that stand in for a Windows face name, best first.
std::vector<std::string> aliases(const std::u16string& faceName) {
  std::string name = narrow(faceName);
  std::string lower = name;
  std::transform(lower.begin(), lower.end(), lower.begin(), [](char c) { return static_cast<char>(std::tolower(c)); });
  if (lower == "arial") return {"Liberation Sans", "Arimo", "DejaVu Sans"};
  if (lower == "comic sans ms") return {"Comic Neue", "DejaVu Sans"};
  if (lower == "times new roman") return {"Liberation Serif", "DejaVu Serif", "DejaVu Sans"};
  if (lower == "courier new") return {"Liberation Mono", "DejaVu Sans Mono", "DejaVu Sans"};
  return {name, "DejaVu Sans"};
}

bool sameFamily(const std::string& a, const std::string& b) {
  return a.size() == b.size() &&
         std::equal(a.begin(), a.end(), b.begin(), [](char x, char y) { return std::tolower(x) == std::tolower(y); });
}

struct FontFile {
  std::string path;
  int index = 0;
  std::string family;
};

// The file of an installed regular face of exactly this family.
bool findFamily(const std::string& family, FontFile& found) {
  static std::mutex lock;
  const std::lock_guard guard(lock);
  if (!FcInit()) return false;
  FcPattern* pattern = FcPatternCreate();
  FcPatternAddString(pattern, FC_FAMILY, reinterpret_cast<const FcChar8*>(family.c_str()));
  FcPatternAddInteger(pattern, FC_WEIGHT, FC_WEIGHT_REGULAR);
  FcPatternAddInteger(pattern, FC_SLANT, FC_SLANT_ROMAN);
  FcPatternAddBool(pattern, FC_SCALABLE, FcTrue);
  FcConfigSubstitute(nullptr, pattern, FcMatchPattern);
  FcDefaultSubstitute(pattern);
  FcResult result = FcResultNoMatch;
  FcPattern* match = FcFontMatch(nullptr, pattern, &result);
  FcPatternDestroy(pattern);
  if (!match) return false;
  FcChar8* file = nullptr;
  FcChar8* matchedFamily = nullptr;
  int index = 0;
  bool ok = FcPatternGetString(match, FC_FILE, 0, &file) == FcResultMatch &&
            FcPatternGetString(match, FC_FAMILY, 0, &matchedFamily) == FcResultMatch &&
            sameFamily(reinterpret_cast<const char*>(matchedFamily), family);
  if (ok) {
    FcPatternGetInteger(match, FC_INDEX, 0, &index);
    found = {reinterpret_cast<const char*>(file), index, reinterpret_cast<const char*>(matchedFamily)};
  }
  FcPatternDestroy(match);
  return ok;
}

char32_t decodeAt(std::u16string_view text, size_t& i) {
  const char16_t u = text[i++];
  if (u >= 0xD800 && u < 0xDC00 && i < text.size() && text[i] >= 0xDC00 && text[i] < 0xE000)
    return 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(text[i++]) - 0xDC00);
  if (u >= 0xD800 && u < 0xE000) return 0xFFFD;
  return u;
}

class FreeTypeFont final : public TextRasterFont {
 public:
  FreeTypeFont(FT_Face face, std::string family, int32_t cellHeight) : face(face), family(std::move(family)) {
    // The cell is the Windows ascent plus descent, as GDI sizes it.
    int32_t ascender = face->ascender, descender = -face->descender;
    if (const auto* os2 = static_cast<const TT_OS2*>(FT_Get_Sfnt_Table(face, FT_SFNT_OS2));
        os2 && os2->usWinAscent + os2->usWinDescent > 0) {
      ascender = os2->usWinAscent;
      descender = os2->usWinDescent;
    }
    const double total = std::max(ascender + descender, 1);
    cell = cellHeight;
    ascent = static_cast<int32_t>(std::floor(cellHeight * ascender / total));  // descenders keep their last row
    const auto size = static_cast<FT_F26Dot6>(std::lround(cellHeight * 64.0 * face->units_per_EM / total));
    FT_Set_Char_Size(face, 0, std::max<FT_F26Dot6>(size, 64), 72, 72);
  }
  ~FreeTypeFont() override { FT_Done_Face(face); }

  std::u16string familyName() const override { return widen(family); }

  TextExtent getTextExtent(std::u16string_view text) override {
    TextExtent extent{0, cell};
    for (size_t i = 0; i < text.size();) extent.cx += metrics(decodeAt(text, i)).advance;
    return extent;
  }

  AbcWidths getCharABCWidths(char32_t codePoint) override {
    const Metrics& m = metrics(codePoint);
    return {m.left, static_cast<uint32_t>(m.width), m.advance - m.left - m.width};
  }

  bool hasGlyph(char32_t codePoint) override { return FT_Get_Char_Index(face, codePoint) != 0; }

  void textOut(uint32_t* pixels, int32_t width, int32_t height, int32_t x, int32_t y,
               std::u16string_view text) override {
    int32_t pen = x;
    for (size_t i = 0; i < text.size();) {
      const char32_t cp = decodeAt(text, i);
      // Ink starting past the right edge is clipped whole: a line cut by the buffer renders nothing beyond it.
      if (pen + metrics(cp).left < width && FT_Load_Char(face, cp, FT_LOAD_RENDER | FT_LOAD_TARGET_NORMAL) == 0) {
        const FT_GlyphSlot slot = face->glyph;
        const FT_Bitmap& bitmap = slot->bitmap;
        const int32_t left = pen + slot->bitmap_left, top = y + ascent - slot->bitmap_top;
        for (int32_t row = 0; row < static_cast<int32_t>(bitmap.rows); ++row) {
          const int32_t py = top + row;
          if (py < 0 || py >= height) continue;
          const unsigned char* source = bitmap.buffer + static_cast<ptrdiff_t>(row) * bitmap.pitch;
          for (int32_t column = 0; column < static_cast<int32_t>(bitmap.width); ++column) {
            const int32_t px = left + column;
            if (px < 0 || px >= width) continue;
            uint32_t value = source[column];
            if (bitmap.pixel_mode == FT_PIXEL_MODE_MONO) value = (source[column >> 3] >> (7 - (column & 7)) & 1) * 255;
            uint32_t& target = pixels[static_cast<size_t>(py) * static_cast<size_t>(width) + static_cast<size_t>(px)];
            if (value > (target & 0xFF)) target = value << 16 | value << 8 | value;
          }
        }
      }
      pen += metrics(cp).advance;
    }
  }

 private:
  struct Metrics {
    int32_t advance = 0, left = 0, width = 0;
  };

  const Metrics& metrics(char32_t cp) {
    if (auto found = cache.find(cp); found != cache.end()) return found->second;
    Metrics m;
    if (FT_Load_Char(face, cp, FT_LOAD_DEFAULT | FT_LOAD_TARGET_NORMAL) == 0) {
      const FT_GlyphSlot slot = face->glyph;
      m.advance = static_cast<int32_t>((slot->advance.x + 32) >> 6);
      const FT_Pos left = slot->metrics.horiBearingX >> 6;  // floor, as the bitmap's left edge
      const FT_Pos right = (slot->metrics.horiBearingX + slot->metrics.width + 63) >> 6;
      m.left = static_cast<int32_t>(left);
      m.width = static_cast<int32_t>(right - left);
    }
    return cache.emplace(cp, m).first->second;
  }

  FT_Face face;
  std::string family;
  int32_t cell = 0;
  int32_t ascent = 0;
  std::unordered_map<char32_t, Metrics> cache;
};

}  // namespace

std::unique_ptr<TextRasterFont> openFreeTypeFont(const std::u16string& faceName, int32_t height) {
  if (!library() || height <= 0) return nullptr;
  for (const std::string& family : aliases(faceName)) {
    FontFile file;
    if (!findFamily(family, file)) continue;
    FT_Face face = nullptr;
    if (FT_New_Face(library(), file.path.c_str(), file.index, &face) != 0) continue;
    return std::make_unique<FreeTypeFont>(face, file.family, height);
  }
  return nullptr;
}
