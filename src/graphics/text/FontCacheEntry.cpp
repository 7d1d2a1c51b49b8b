#include "graphics/text/FontCacheEntry.h"

#include "engine/ErrorManager.h"
#include "engine/Zib.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/Quad.h"
#include "graphics/Renderable.h"
#include "graphics/Texture.h"
#include "graphics/text/FontCache.h"
#include "graphics/text/FontQuad.h"
#include "graphics/text/FontQuadSymbol.h"

ZIB_DEFINE_CLASS(FontCacheEntry, ZibBase, nullptr);

FontCacheEntry::FontCacheEntry(Texture* texture, int32_t scalingMode, int32_t left, int32_t top, int32_t bottom,
                               int32_t right)
    : cacheBounds{left, top, bottom, right}, scalingMode(scalingMode) {
  pQuad = new Quad();
  pQuad->pTexture = texture;
  pQuad->setTextureRect(left, top, bottom, right);
}

FontCacheEntry::~FontCacheEntry() { delete pQuad; }

void FontCacheEntry::release() {
  // The cache's holder of entries is the cache's child.
  if (parent && parent->parent) static_cast<FontCache*>(parent->parent)->entryReleased(this);
  if (MemoryImageFile* image = pQuad->pTexture->pSavedSourceData) image->clear(&cacheBounds, true);
  text.clear();
  bPrimaryLine = 1;
  lastUse = -999;
  if (next) next->release();
  next = nullptr;
}

void FontCacheEntry::fillCacheFromGDI(const uint32_t* pixels, int32_t width, int32_t height, const RectI& source) {
  lastUse = zib->renderedFrames;
  const int32_t s = scalingMode;
  RectI from = source;
  int32_t destX = cacheBounds.left + s;
  // One neighbouring column on each side, so that filtering sees it.
  if (from.left > 0) {
    --from.left;
    --destX;
  }
  if (from.right < width) ++from.right;
  MemoryImageFile* pDestMIF = pQuad->pTexture->pSavedSourceData;
  ZIB_ASSERT(pDestMIF != NULL);
  const int32_t loopWidth = from.right - from.left;
  const int32_t loopHeight = from.bottom - from.top;
  ZIB_ASSERT(loopWidth <= cacheBounds.width());
  ZIB_ASSERT(loopHeight <= cacheBounds.height());
  // Never outside either image, whatever the caller's rectangle.
  ZIB_ASSERT(from.left >= 0 && from.top >= 0 && from.right <= width && from.bottom <= height);
  ZIB_ASSERT(destX + loopWidth <= pDestMIF->width && cacheBounds.top + loopHeight <= pDestMIF->height);
  for (int32_t y = 0; y < loopHeight; ++y) {
    const uint32_t* row = pixels + static_cast<size_t>(from.top + y) * static_cast<size_t>(width) + from.left;
    UColor* dest = pDestMIF->pImageData + static_cast<size_t>(cacheBounds.top + y) * pDestMIF->width + destX;
    for (int32_t x = 0; x < loopWidth; ++x) dest[x] = (dest[x] & 0x00FFFFFFu) | (row[x] & 0xFFu) << 24;
  }
  const int32_t left = cacheBounds.left + s;
  pQuad->setTextureRect(left, cacheBounds.top, cacheBounds.top + source.height(), left + source.width());
  pQuad->setAlignment(7);
  const PointI at{cacheBounds.left, cacheBounds.top};
  pQuad->pTexture->copyImageData(pDestMIF, &cacheBounds, &at);
}

int32_t FontCacheEntry::fillCacheFromFontQuad(FontQuad* font, std::u16string_view text) {
  lastUse = zib->renderedFrames;
  const int32_t s = scalingMode;
  MemoryImageFile* pDestMIF = pQuad->pTexture->pSavedSourceData;
  ZIB_ASSERT(pDestMIF != NULL);
  pDestMIF->clear(&cacheBounds, font->bCacheClearWhite);
  int32_t penX = cacheBounds.left + s;
  const int32_t y = cacheBounds.top;
  const int32_t rightLimit = cacheBounds.right - s;
  int32_t numCharsBlitted = 0;
  for (char16_t c : text) {
    FontQuadSymbol* sym = font->getSymbol(c);
    const Quad* glyph = sym->pBaseQuad;
    int32_t step = s * (sym->advance + (glyph ? static_cast<int32_t>(glyph->width) : font->spaceWidth));
    if (step < 1) step = 0;
    if (penX + step >= rightLimit) break;
    if (glyph) {
      const RectI& r = glyph->pixelRect;
      // Overlapping glyphs (negative spacing) must still end inside the strip.
      if (penX + r.width() > rightLimit || r.height() > cacheBounds.height()) break;
      const MemoryImageFile* source = glyph->pTexture->getSavedSourceData();
      if (source && r.right <= source->width && r.bottom <= source->height) {
        const PointI at{penX, y};
        pDestMIF->blit(source, &r, &at);
      }
    }
    penX += step;
    ++numCharsBlitted;
  }
  ZIB_ASSERT(numCharsBlitted > 0);
  pQuad->setTextureRect(cacheBounds.left + s, cacheBounds.top, cacheBounds.top + font->fontHeightRaw * s, penX);
  pQuad->setAlignment(7);
  const PointI at{cacheBounds.left, cacheBounds.top};
  pQuad->pTexture->copyImageData(pDestMIF, &cacheBounds, &at);
  return numCharsBlitted;
}

void FontCacheEntry::render(Renderable* owner) {
  Renderable temp;
  temp.color = owner->color;
  temp.postXform = owner->xform;
  temp.bSkipVisibility = 1;
  temp.pSkin = pQuad;
  temp.updateVisual();
  temp.render();
  lastUse = zib->renderedFrames;
}
