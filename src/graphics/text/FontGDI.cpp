#include "graphics/text/FontGDI.h"

#include <algorithm>
#include <cstdlib>
#include <vector>

#include "base/Format.h"
#include "engine/ErrorManager.h"
#include "engine/Logger.h"
#include "engine/Zib.h"
#include "graphics/Quad.h"
#include "graphics/Renderable.h"
#include "graphics/text/FontCache.h"
#include "graphics/text/FontCacheEntry.h"
#include "graphics/text/TextAlignment.h"
#include "platform/TextRaster.h"

ZIB_DEFINE_CLASS(FontGDI, ZibBase, nullptr);

namespace {
constexpr size_t LF_FACESIZE = 32;
}

FontGDI::FontGDI(int32_t height, float scaleX, float scaleY, float scaleZ, std::u16string name)
    : height(height), scale(scaleX, scaleY, scaleZ), fontName(std::move(name)) {
  scalingMode = std::max(zib->hq2x, 1);
  fontHeightRaw = static_cast<int32_t>(static_cast<float>(height) / scaleY);
  fontBaselineRaw = fontHeightRaw * 80 / 100;
  fontUppercaseLineRaw = fontHeightRaw * 20 / 100;
  fontLowercaseLineRaw = fontHeightRaw * 34 / 100;
  ZIB_LOG(u"Creating GDI font (height=%d pixels, raw=%d).", height, fontHeightRaw);
  ZIB_LOG(u"fontBaselineRaw=%d, fontUppercaseLineRaw=%d, fontLowercaseLineRaw=%d", fontBaselineRaw,
          fontUppercaseLineRaw, fontLowercaseLineRaw);
  const std::u16string& fontName = this->fontName;
  ZIB_ASSERT(fontName.length() < LF_FACESIZE - 1);
  pRaster = openTextRasterFont(fontName, scalingMode * fontHeightRaw);
  TextRasterFont* hFont = pRaster.get();
  ZIB_ASSERT(hFont != NULL);
  ZIB_LOG(u"Font '%s' uses the family '%s'.", fontName, pRaster->familyName());
  pFontCache = new FontCache(scalingMode * height + 1, true, formatString(u"%s%dpx", fontName, height));
}

FontGDI::~FontGDI() { delete pFontCache; }

PointI FontGDI::calcTextSize(int32_t* leftPad, int32_t* rightPad, const std::u16string& text) {
  if (text.empty()) return {0, fontHeightRaw};
  TextExtent extent = pRaster->getTextExtent(text);
  const auto codePointAt = [&](size_t i) -> char32_t {
    const char16_t u = text[i];
    if (u >= 0xD800 && u < 0xDC00 && i + 1 < text.size())
      return 0x10000 + ((char32_t(u) - 0xD800) << 10) + (char32_t(text[i + 1]) - 0xDC00);
    return u;
  };
  size_t last = text.size() - 1;
  if (last > 0 && text[last] >= 0xDC00 && text[last] < 0xE000) --last;
  const AbcWidths first = pRaster->getCharABCWidths(codePointAt(0));
  const AbcWidths end = pRaster->getCharABCWidths(codePointAt(last));
  if (first.a < 0) {
    extent.cx += -first.a;
    if (leftPad) *leftPad += -first.a;
  }
  if (end.c < 0) {
    extent.cx += -end.c;
    if (rightPad) *rightPad += -end.c;
  }
  extent.cx += 2;
  if (leftPad) *leftPad += 1;
  if (rightPad) *rightPad += 1;
  // What is drawn: a line wider than the cache takes is cut, and is aligned and measured by what is left.
  return {std::min(extent.cx / scalingMode, FontCache::kMaxTextWidth), extent.cy / scalingMode};
}

Vector3 FontGDI::measureText(const std::u16string& text) {
  const PointI size = calcTextSize(nullptr, nullptr, text);
  return {scale.x * static_cast<float>(size.x), scale.y * static_cast<float>(size.y), 0};
}

FontCacheEntry* FontGDI::renderToCache(const std::u16string& text) {
  int32_t leftPad = 0;
  const PointI size = calcTextSize(&leftPad, nullptr, text);
  const int32_t w = scalingMode * size.x, h = scalingMode * size.y;
  if (w <= 0 || h <= 0) return nullptr;
  std::vector<uint32_t> pixels(static_cast<size_t>(w) * static_cast<size_t>(h), 0);
  pRaster->textOut(pixels.data(), w, h, leftPad, 0, text);
  return pFontCache->addTextGDI(pixels.data(), text, w, h);
}

FontCacheEntry* FontGDI::findCachedText(const std::u16string& text) {
  if (FontCacheEntry* found = pFontCache->findText(text)) return found;
  return renderToCache(text);
}

void FontGDI::renderText(Renderable* owner, int32_t flags, const std::u16string& text) {
  if (text.empty()) return;
  const PointI size = calcTextSize(nullptr, nullptr, text);
  float x, y;
  textAlignmentOffsets(flags, size.x, fontHeightRaw, fontUppercaseLineRaw, fontBaselineRaw, x, y);
  x *= scale.x;
  y *= scale.y;
  Renderable temp;
  placeTextRenderable(temp, *owner, scale, x, y);
  for (FontCacheEntry* entry = findCachedText(text); entry; entry = entry->next) {
    entry->render(&temp);
    x += entry->pQuad->width * scale.x;
    temp.position = Vector3(x, y, 0);
    temp.updateVisual();
  }
}

void FontGDI::drawText(float x, float y, float z, UColor color, int32_t flags, const std::u16string& text) {
  Renderable::drawWithTemporaryOwner({x, y, z}, color, [&](Renderable* owner) { renderText(owner, flags, text); });
}
