#pragma once
// A TrueType font drawn through our GDI-style text raster: texts are rendered
// whole, white on black, into the font's own cache and drawn from its strips.
#include <cstdint>
#include <memory>
#include <string>

#include "base/Vector3.h"
#include "engine/ZibBase.h"
#include "graphics/PointI.h"
#include "graphics/UColor.h"

class FontCache;
class FontCacheEntry;
class Renderable;
class TextRasterFont;

class FontGDI : public ZibBase {
  ZIB_DECLARE_CLASS()
 public:
  // `height` in logical pixels; fatal when no installed font stands in for `name`.
  FontGDI(int32_t height, float scaleX, float scaleY, float scaleZ, std::u16string name);
  ~FontGDI() override;

  // Size in logical pixels: the extent plus the overhangs and 2 pixels of
  // margin, no wider than FontCache::kMaxTextWidth, where a drawn line is cut.
  // The pads, when given, are raised by the overhangs plus 1.
  PointI calcTextSize(int32_t* leftPad, int32_t* rightPad, const std::u16string& text);
  // calcTextSize times the scale.
  Vector3 measureText(const std::u16string& text);
  // Renders the text into the cache; null when it has no width.
  FontCacheEntry* renderToCache(const std::u16string& text);
  FontCacheEntry* findCachedText(const std::u16string& text);
  // Flags as FontQuad's: 0x8 right, 0x4 centre, 0x10/0x20/0x40/0x80 vertical.
  void renderText(Renderable* owner, int32_t flags, const std::u16string& text);
  void drawText(float x, float y, float z, UColor color, int32_t flags, const std::u16string& text);

  int32_t height = 0;
  FontCache* pFontCache = nullptr;
  int32_t fontHeightRaw = 0;
  int32_t fontBaselineRaw = 0;
  int32_t fontUppercaseLineRaw = 0;
  int32_t fontLowercaseLineRaw = 0;
  Vector3 scale;
  std::u16string fontName;
  int32_t scalingMode = 1;
  std::unique_ptr<TextRasterFont> pRaster;
};
