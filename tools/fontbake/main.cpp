// fontbake: bakes the game's glyph fonts from the installed free fonts
// (fonts-liberation2, fonts-comic-neue, fonts-dejavu-core) into glyph pages:
//   OUT/gfx/font/NAME/NAME-N.tga       32-bit, white with coverage alpha
//   OUT/gfx/font/NAME/NAME-N.tga.ini   one skin per glyph slot, in slot order
//   OUT/gfx/font/alphabet-hud.tga(.ini) the HUD font, slots 44 to 90
//   OUT/gfx/font/fonts.settings        per font: what was baked (face, height, code
//                                      page, first slot, file), spaceWidth, glyphSpacing, lines
// A glyph's cell keeps all its ink, bearings included; slots without a
// letter (controls, composed letters, code points the face lacks) are blank
// and as wide as the space.
// The skin caches (".ini.preload") are written by the preload tool when the
// build packs the folder.
//   fontbake OUT
#include <algorithm>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <memory>
#include <string>
#include <vector>

#include "engine/ErrorManager.h"
#include "engine/FileManager.h"
#include "base/Format.h"
#include "base/StringUtils.h"
#include "engine/Zib.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/text/CodePageTables.h"
#include "platform/TextRaster.h"
#include "program/Backends.h"

namespace fs = std::filesystem;

namespace {

// The code page whose glyph set is baked: both shipped languages use it.
constexpr char16_t kCodePage[] = u"1252";

// Glyph pages stay within the smallest texture limit, so they are never tiled.
constexpr int32_t kPageSize = 256;

struct FontSpec {
  const char* name;
  const char16_t* face;
  int32_t height;
  int32_t firstSlot, lastSlot;
  const char* fileOverride;  // a single page of its own name, or null
};

constexpr FontSpec kFonts[] = {
    {"fontTiny", u"DejaVu Sans", 10, 0, 255, nullptr},
    {"fontSmall", u"Arial", 14, 0, 255, nullptr},
    {"fontMedium", u"Comic Sans MS", 20, 0, 255, nullptr},
    {"fontLarge", u"Comic Sans MS", 30, 0, 255, nullptr},
    {"fontHUD", u"Arial", 22, 44, 90, "alphabet-hud"},
};

// The accents the composed letters take, cropped to their ink.
bool isAccent(char16_t c) {
  return c == 0x60 || c == 0xB4 || c == 0x2C6 || c == 0x2DC || c == 0xA8 || c == 0xB0 || c == 0xB8 ||
         c == 0x2DB || c == 0x2D9;
}

// The accents that hang below their letter (cedilla, ogonek): the composed
// letter puts them at the top of the cell, so they keep their rows in it.
bool hangsBelow(char16_t c) { return c == 0xB8 || c == 0x2DB; }

// The letters composed from base and accent at load time: their slots stay empty.
bool isComposed(char16_t c) {
  if (c == 0x178 || c == 0xFF) return true;
  if (c < 0xC0 || c > 0xFD) return false;
  const char16_t low = c & 0xDF;  // capitals and lowercase share the pattern
  return low != 0xC6 && low != 0xD0 && low != 0xD7 && low != 0xD8 && low != 0xDE && low != 0xDF;
}

struct Glyph {
  std::vector<uint32_t> pixels;  // coverage, w x h
  int32_t w = 1, h = 1;
};

// A slot that draws nothing and measures as the space does: every slot gets
// a glyph (a page's skins fill the slots in order), so the empty ones are blank.
Glyph blank(int32_t spaceWidth) {
  const int32_t w = std::max(spaceWidth, 1);
  return Glyph{std::vector<uint32_t>(size_t(w), 0), w, 1};
}

struct Ink {
  int32_t left, top, right, bottom;  // exclusive right and bottom; empty when left >= right
};

Ink inkOf(const std::vector<uint32_t>& pixels, int32_t w, int32_t h) {
  Ink ink{w, h, 0, 0};
  for (int32_t y = 0; y < h; ++y)
    for (int32_t x = 0; x < w; ++x)
      if (pixels[size_t(y * w + x)] & 0xFF) {
        ink.left = std::min(ink.left, x);
        ink.right = std::max(ink.right, x + 1);
        ink.top = std::min(ink.top, y);
        ink.bottom = std::max(ink.bottom, y + 1);
      }
  return ink;
}

Glyph cut(const std::vector<uint32_t>& wide, int32_t wideWidth, int32_t left, int32_t top, int32_t right,
          int32_t bottom) {
  Glyph glyph;
  glyph.w = right - left;
  glyph.h = bottom - top;
  for (int32_t y = top; y < bottom; ++y)
    for (int32_t x = left; x < right; ++x) glyph.pixels.push_back(wide[size_t(y * wideWidth + x)]);
  return glyph;
}

// A letter drawn with room all round: the cell's top-left corner (the pen)
// at (cell, cell) of a canvas three cells tall.
struct Canvas {
  std::vector<uint32_t> pixels;
  int32_t w = 0, advance = 0;
  Ink ink{};
};

Canvas draw(TextRasterFont& font, char16_t c, int32_t cell) {
  const std::u16string text(1, c);
  Canvas canvas;
  canvas.advance = font.getTextExtent(text).cx;
  canvas.w = canvas.advance + 2 * cell;
  canvas.pixels.assign(size_t(canvas.w * 3 * cell), 0);
  font.textOut(canvas.pixels.data(), canvas.w, 3 * cell, cell, cell, text);
  canvas.ink = inkOf(canvas.pixels, canvas.w, 3 * cell);
  return canvas;
}

// The letter's cell: from the pen to its advance, widened to the ink that
// overhangs either side (a "j"'s hook, an "f"'s arm), from `top` (rows from
// the cell's top, 0 or above it: the font's highest ink) down to its lowest
// ink, so that nothing is cut off. Drawing advances by the cell's width, so
// an overhang moves the letters after it rather than overlapping them.
Glyph render(TextRasterFont& font, char16_t c, int32_t cell, int32_t top) {
  const Canvas canvas = draw(font, c, cell);
  const Ink& ink = canvas.ink;
  if (ink.left >= ink.right) return blank(canvas.advance);
  const int32_t bottom = std::max(2 * cell, ink.bottom);
  if (isAccent(c)) {
    // Placed above (or, hanging, below) a letter by the composing: cut to the ink.
    if (hangsBelow(c)) return cut(canvas.pixels, canvas.w, ink.left, cell + top, ink.right, bottom);
    return cut(canvas.pixels, canvas.w, ink.left, ink.top, ink.right, ink.bottom);
  }
  return cut(canvas.pixels, canvas.w, std::min(cell, ink.left), cell + top, std::max(cell + canvas.advance, ink.right),
             bottom);
}

// The topmost ink row of a baked letter.
int32_t inkTop(TextRasterFont& font, char16_t c, int32_t cell, int32_t top) {
  const Glyph glyph = render(font, c, cell, top);
  const Ink ink = inkOf(glyph.pixels, glyph.w, glyph.h);
  return ink.left < ink.right ? ink.top : 0;
}

struct Page {
  std::vector<Glyph> glyphs;
  std::vector<std::pair<int32_t, int32_t>> places;
  int32_t height = 0;
};

// Rows of glyphs with a clear pixel between them, a new page when one is full.
std::vector<Page> layOut(std::vector<Glyph> glyphs) {
  std::vector<Page> pages(1);
  int32_t x = 0, y = 0, rowHeight = 0;
  for (Glyph& glyph : glyphs) {
    if (x + glyph.w > kPageSize) {
      x = 0;
      y += rowHeight + 1;
      rowHeight = 0;
    }
    if (y + glyph.h > kPageSize) {
      pages.emplace_back();
      x = y = rowHeight = 0;
    }
    Page& page = pages.back();
    page.places.emplace_back(x, y);
    rowHeight = std::max(rowHeight, glyph.h);
    page.height = std::max(page.height, y + glyph.h);
    x += glyph.w + 1;
    page.glyphs.push_back(std::move(glyph));
  }
  return pages;
}

void writePage(const Page& page, const fs::path& path) {
  MemoryImageFile image(kPageSize, page.height);
  image.clear(nullptr, true);
  std::string ini;
  for (size_t i = 0; i < page.glyphs.size(); ++i) {
    const Glyph& glyph = page.glyphs[i];
    const auto [px, py] = page.places[i];
    for (int32_t y = 0; y < glyph.h; ++y)
      for (int32_t x = 0; x < glyph.w; ++x)
        image.pImageData[size_t((py + y) * kPageSize + px + x)] =
            (glyph.pixels[size_t(y * glyph.w + x)] & 0xFF) << 24 | 0x00FFFFFFu;
    ini += "[Skin " + std::to_string(i) + "]\r\nleft=" + std::to_string(px) + "\r\ntop=" + std::to_string(py) +
           "\r\nwidth=" + std::to_string(glyph.w) + "\r\nheight=" + std::to_string(glyph.h) + "\r\n";
  }
  fs::create_directories(path.parent_path());
  image.saveTGA(fromUtf8(path.string()));
  std::ofstream(path.string() + ".ini", std::ios::binary) << ini;
}

}  // namespace

int main(int argc, char** argv) {
  if (argc != 2) {
    std::fputs("usage: fontbake OUT\n", stderr);
    return 2;
  }
  setenv("ZIB_NO_MESSAGE_BOX", "1", 1);
  registerBackends();  // the text raster
  ErrorManager::setFatalHook([](const std::u16string&) { std::exit(1); });
  auto* root = new Zib();
  root->pFileManager = new FileManager();
  root->pFileManager->bForceDisk = true;

  const fs::path out = argv[1];
  const uint16_t* table = findCodePageTable(kCodePage);
  std::string settings;
  for (const FontSpec& spec : kFonts) {
    auto font = openTextRasterFont(spec.face, spec.height);
    if (!font) {
      std::fprintf(stderr, "fontbake: no font for %s\n", spec.name);
      return 1;
    }
    const int32_t spaceWidth = font->getTextExtent(u" ").cx;
    // The slot's letter; 0 for a blank slot. The space's slot is used up and
    // ignored; 0x7F holds the dotless i.
    const auto letterOf = [&](int32_t slot) -> char16_t {
      const char16_t c = slot == 0x7F ? char16_t(0x131) : table[slot];
      return slot < 0x21 || isComposed(c) || !font->hasGlyph(c) ? 0 : c;
    };
    // Every cell starts at the font's highest ink (a capital's caron, a
    // bracket), so that the letters share their baseline.
    int32_t top = 0;
    for (int32_t slot = spec.firstSlot; slot <= spec.lastSlot; ++slot)
      if (const char16_t c = letterOf(slot); c && !isAccent(c)) {
        const Ink ink = draw(*font, c, spec.height).ink;
        if (ink.left < ink.right) top = std::min(top, ink.top - spec.height);
      }
    std::vector<Glyph> glyphs;
    for (int32_t slot = spec.firstSlot; slot <= spec.lastSlot; ++slot) {
      const char16_t c = letterOf(slot);
      glyphs.push_back(c ? render(*font, c, spec.height, top) : blank(spaceWidth));
    }
    const std::vector<Page> pages = layOut(std::move(glyphs));
    const fs::path folder = out / "gfx" / "font";
    if (spec.fileOverride) {
      if (pages.size() != 1) return std::fprintf(stderr, "fontbake: %s needs one page\n", spec.name), 1;
      writePage(pages[0], folder / (std::string(spec.fileOverride) + ".tga"));
    } else {
      for (size_t n = 0; n < pages.size(); ++n)
        writePage(pages[n], folder / spec.name / (std::string(spec.name) + "-" + std::to_string(n + 1) + ".tga"));
    }
    // face, height and codePage say what was baked; the game reads the rest.
    settings += std::string("[") + spec.name + "]\r\nface=" + toUtf8(spec.face) + "\r\nheight=" +
                std::to_string(spec.height) + "\r\ncodePage=" + toUtf8(kCodePage) + "\r\nfirstSlot=" + std::to_string(spec.firstSlot) +
                "\r\nfile=" + (spec.fileOverride ? std::string(spec.fileOverride) : std::string()) +
                "\r\nspaceWidth=" + std::to_string(spaceWidth) +
                "\r\nglyphSpacing=0\r\nfontUppercaseLineRaw=" + std::to_string(inkTop(*font, u'H', spec.height, top)) +
                "\r\nfontLowercaseLineRaw=" + std::to_string(inkTop(*font, u'x', spec.height, top)) + "\r\n";
    std::printf("fontbake: %s from %s, %d px, %zu page(s)\n", spec.name, toUtf8(font->familyName()).c_str(),
                spec.height, pages.size());
  }
  fs::create_directories(out / "gfx" / "font");
  std::ofstream(out / "gfx" / "font" / "fonts.settings", std::ios::binary) << settings;

  delete root->pFileManager;
  root->pFileManager = nullptr;
  delete root;
  return 0;
}
