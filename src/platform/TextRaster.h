#pragma once
// GDI-style text rasterisation: a font opened by face name and cell height,
// text extents as sums of whole-pixel advances (no kerning), ABC widths and
// grey-scale antialiased drawing, white on black, into 32-bit pixels.
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

struct TextExtent {
  int32_t cx = 0;
  int32_t cy = 0;
};

// A: from the pen to the ink's left edge; B: the ink's width; C: from the
// ink's right edge to the next pen position. A and C may be negative.
struct AbcWidths {
  int32_t a = 0;
  uint32_t b = 0;
  int32_t c = 0;
};

class TextRasterFont {
 public:
  virtual ~TextRasterFont() = default;
  // The family the face name resolved to.
  virtual std::u16string familyName() const = 0;
  // cx: the advances of the text; cy: the cell height.
  virtual TextExtent getTextExtent(std::u16string_view text) = 0;
  virtual AbcWidths getCharABCWidths(char32_t codePoint) = 0;
  // Whether the face has a glyph of its own for the code point (not .notdef).
  virtual bool hasGlyph(char32_t) { return true; }
  // Draws with the first cell's top-left corner at (x, y) into a top-down
  // buffer of width x height pixels 0x00RRGGBB: the coverage in all three
  // colour bytes over black. Clipped to the buffer.
  virtual void textOut(uint32_t* pixels, int32_t width, int32_t height, int32_t x, int32_t y,
                       std::u16string_view text) = 0;
};

// Opens a font: a positive height is the cell height in pixels (ascent +
// descent); face names of the Windows fonts resolve to installed look-alikes.
// Null when no installed font can stand in for the name.
using TextRasterOpener = std::unique_ptr<TextRasterFont> (*)(const std::u16string& faceName, int32_t height);

// The program registers its backend's opener; without one no font opens.
void registerTextRasterBackend(TextRasterOpener opener);
std::unique_ptr<TextRasterFont> openTextRasterFont(const std::u16string& faceName, int32_t height);
