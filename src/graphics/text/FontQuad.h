#pragma once
// The bitmap glyph font: glyphs are quads cut from glyph textures, laid out
// in slots that the language's code page maps to code points. Text is drawn
// glyph by glyph or, from four characters on, from cached strips.
#include <array>
#include <cstdint>
#include <string>

#include "base/Vector3.h"
#include "engine/ZibBase.h"
#include "graphics/PointI.h"
#include "graphics/UColor.h"

class FontCache;
class FontCacheEntry;
class FontGDI;
class Renderable;
class Texture;
struct FontQuadSymbol;

class FontQuad : public ZibBase {
  ZIB_DECLARE_CLASS()
 public:
  // Flags of measuring and drawing.
  static constexpr int32_t kAlignRight = 0x8;
  static constexpr int32_t kAlignCentre = 0x4;
  static constexpr int32_t kCentreVertically = 0x10;
  static constexpr int32_t kBottomOnAnchor = 0x20;
  static constexpr int32_t kCentreOnCapitals = 0x40;
  static constexpr int32_t kBaselineOnAnchor = 0x80;
  static constexpr int32_t kNoCache = 0x100;
  static constexpr int32_t kUseGDI = 0x200;
  // The first-slot argument that continues after the last glyph added.
  static constexpr uint16_t kContinue = 0xFFFF;

  FontQuad();
  ~FontQuad() override;

  // Recomputes the scaled metrics.
  void onPresentationRestored() override;

  // Every skin of the texture becomes the glyph of the next slot.
  void addSourceTexture(Texture* texture, uint16_t firstSlot);
  // The registered textures "<name>1", "<name>2"... from slot 0, then
  // "<name>Extra1"... from slot 0x100.
  void addSourceTextures(const std::u16string& name);
  void enablePixelAlignment();
  // Takes the baseline from the glyphs and makes the cache; after the glyphs.
  void createFontCache();
  // Makes the code point's page on first use.
  FontQuadSymbol* getSymbol(char16_t codePoint);
  // accentY -999: one pixel above the letter.
  void setCompositeChar(char16_t composite, char16_t base, char16_t accent, int32_t accentY);
  void setupCompositeChars();

  // Size in glyph pixels. With a limit, measuring stops before the first
  // character that would pass it and the limit receives that character's
  // index (the text length when all fit).
  PointI calcTextWidth(bool countLastAdvance, int32_t* limit, int32_t flags, const std::u16string& text);
  // Scaled size. A width limit, when given, is truncated; `fitCount` (when
  // given) receives calcTextWidth's index.
  Vector3 measureText(bool countLastAdvance, const float* widthLimit, int32_t* fitCount, int32_t flags,
                      const std::u16string& text);
  // Width and height of a text with colour tags, which are not measured.
  Vector3 getTextSize(const std::u16string& text);

  void drawText(float x, float y, float z, UColor color, int32_t flags, const std::u16string& text);
  void drawTextShadowed(float x, float y, float z, UColor color, int32_t flags, float shadowX, float shadowY,
                        float shadowZ, UColor shadowColor, const std::u16string& text);
  void renderTextShadowed(Renderable* owner, int32_t flags, float offsetX, float offsetY, float offsetZ,
                          UColor shadowColor, const std::u16string& text);
  void renderText(Renderable* owner, int32_t flags, const std::u16string& text);
  void renderAccents(Renderable* owner, const std::u16string& text);
  FontGDI* getGDIFont();
  FontCacheEntry* findCachedText(const std::u16string& text);

  int32_t spaceWidth = 4;
  int32_t glyphSpacing = 1;
  int32_t fontHeightRaw = 0;
  int32_t fontBaselineRaw = 0;
  int32_t fontUppercaseLineRaw = 0;
  int32_t fontLowercaseLineRaw = 0;
  int32_t fontHeight = 0;
  int32_t fontBaseline = 0;
  int32_t fontUppercaseLine = 0;
  int32_t fontLowercaseLine = 0;
  uint8_t bUseFontCache = 1;
  uint8_t bCacheClearWhite = 0;
  FontCache* pFontCache = nullptr;
  std::u16string fontName = u"<unknown>";
  std::array<FontQuadSymbol*, 256> pages{};
  uint16_t nextSymbolToLoad = 0;
  FontGDI* pGDIFont = nullptr;
  Vector3 scale{1, 1, 1};
  uint8_t bPixelAlign = 0;

  // The x and y offsets of the alignment flags for a text this wide.
  void alignmentOffsets(int32_t flags, int32_t width, float& x, float& y) const;

 private:
  // The glyph's truncated width, or spaceWidth without a glyph.
  int32_t glyphWidth(const FontQuadSymbol* sym) const;
};
