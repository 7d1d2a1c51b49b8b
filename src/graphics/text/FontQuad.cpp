#include "graphics/text/FontQuad.h"

#include <algorithm>
#include <cstring>

#include "base/Format.h"
#include "engine/ErrorManager.h"
#include "engine/FileData.h"
#include "engine/ResourceManager.h"
#include "engine/Zib.h"
#include "graphics/Quad.h"
#include "graphics/Renderable.h"
#include "graphics/Texture.h"
#include "graphics/ZibGraphics.h"
#include "graphics/text/CodePageTables.h"
#include "graphics/text/FontCache.h"
#include "graphics/text/FontCacheEntry.h"
#include "graphics/text/FontGDI.h"
#include "graphics/text/FontQuadSymbol.h"
#include "graphics/text/TextAlignment.h"
#include "graphics/text/TextLanguage.h"

ZIB_DEFINE_CLASS(FontQuad, ZibBase, nullptr);

namespace {

constexpr char16_t kTagMark = 0x1E;
constexpr int32_t kTagLength = 8;
constexpr int32_t kAutomaticAccentY = -999;

struct Composite {
  char16_t composite, base, accent;
};

}  // namespace

FontQuad::FontQuad() = default;

FontQuad::~FontQuad() {
  delete pGDIFont;
  delete pFontCache;
  for (FontQuadSymbol* page : pages) delete[] page;
}

void FontQuad::onPresentationRestored() {
  scale = Vector3(1, 1, 1);
  fontHeight = static_cast<int32_t>(static_cast<float>(fontHeightRaw) * scale.y);
  fontBaseline = static_cast<int32_t>(static_cast<float>(fontBaselineRaw) * scale.y);
  fontUppercaseLine = static_cast<int32_t>(static_cast<float>(fontUppercaseLineRaw) * scale.y);
  fontLowercaseLine = static_cast<int32_t>(static_cast<float>(fontLowercaseLineRaw) * scale.y);
}

FontQuadSymbol* FontQuad::getSymbol(char16_t codePoint) {
  FontQuadSymbol*& page = pages[codePoint >> 8];
  if (!page) page = new FontQuadSymbol[256]();
  return &page[codePoint & 0xFF];
}

void FontQuad::addSourceTexture(Texture* _pTexture, uint16_t firstSlot) {
  if (firstSlot != kContinue) nextSymbolToLoad = firstSlot;
  const std::u16string& codePage = TextLanguage::current.codePage;
  const uint16_t* table = findCodePageTable(codePage);
  uint32_t codepage2unicodeEntries = 256;
  const uint8_t* lut = nullptr;
  if (!table) {
    if (codePage != u"Korean" && codePage != u"Japanese") ZIB_ERROR(u"No LUT for codepage '%s'.", codePage);
    const std::u16string name = codePage + u".codepointLUT";
    auto* file = static_cast<FileData*>(zib->pResourceManager->find(true, name));
    if (!file->block.data) file->load();
    // The count must fit the 16-bit slot counter and the bytes that follow it.
    const uint32_t size = file->block.size;
    if (size < 8) ZIB_ERROR(u"Code point table '%s' is damaged: %u bytes.", name, size);
    std::memcpy(&codepage2unicodeEntries, file->block.data + 4, 4);
    if (codepage2unicodeEntries > 0xFFFF || (size - 8) / 4 < codepage2unicodeEntries)
      ZIB_ERROR(u"Code point table '%s' is damaged: %u entries in %u bytes.", name, codepage2unicodeEntries, size);
    lut = file->block.data + 8;
  }
  ZIB_ASSERT(nextSymbolToLoad + _pTexture->skins.size() <= codepage2unicodeEntries);
  for (Skin* skin : _pTexture->skins) {
    if (nextSymbolToLoad != 0x20) {
      char16_t codePoint;
      if (table) {
        codePoint = table[nextSymbolToLoad];
      } else {
        const uint8_t* entry = lut + static_cast<size_t>(nextSymbolToLoad) * 4;
        codePoint = static_cast<char16_t>(entry[0] | entry[1] << 8);
      }
      FontQuadSymbol* sym = getSymbol(codePoint);
      ZIB_ASSERT(sym->pBaseQuad == NULL);
      // Glyph pages are never tiled, so every skin is a Quad.
      sym->pBaseQuad = static_cast<Quad*>(skin);
      skin->setAlignment(7);
      sym->advance = glyphSpacing;
      if (nextSymbolToLoad < 0x100)
        fontHeightRaw = std::max(fontHeightRaw, static_cast<int32_t>(skin->height));
      else
        ZIB_ASSERT(sym->pBaseQuad->height <= fontHeightRaw);
    }
    ++nextSymbolToLoad;
  }
}

void FontQuad::addSourceTextures(const std::u16string& name) {
  fontName = name;
  ResourceManager& resources = *zib->pResourceManager;
  for (int32_t n = 1;; ++n) {
    auto* texture = static_cast<Texture*>(resources.find(false, formatString(u"%s%d", name, n)));
    if (!texture) break;
    addSourceTexture(texture, n == 1 ? 0 : kContinue);
  }
  for (int32_t n = 1;; ++n) {
    auto* texture = static_cast<Texture*>(resources.find(false, formatString(u"%sExtra%d", name, n)));
    if (!texture) break;
    addSourceTexture(texture, n == 1 ? 0x100 : kContinue);
  }
}

void FontQuad::enablePixelAlignment() {
  if (!zib->bNoPixelAlignment) bPixelAlign = 1;
}

void FontQuad::createFontCache() {
  for (char16_t c : {u'A', u'a', u'0'}) {
    if (const Quad* glyph = getSymbol(c)->pBaseQuad) {
      fontBaselineRaw = static_cast<int32_t>(glyph->height);
      break;
    }
  }
  delete pFontCache;
  pFontCache = new FontCache(std::max(zib->hq2x, 1) * fontHeightRaw + 1, bCacheClearWhite,
                             formatString(u"%s%dpx", fontName, fontHeightRaw));
  onPresentationRestored();
}

void FontQuad::setCompositeChar(char16_t composite, char16_t base, char16_t accent, int32_t accentY) {
  const FontQuadSymbol* baseSym = getSymbol(base);
  const FontQuadSymbol* accentSym = getSymbol(accent);
  // A letter whose base has no glyph is left without one.
  if (!baseSym->pBaseQuad) return;
  FontQuadSymbol* sym = getSymbol(composite);
  sym->pBaseQuad = baseSym->pBaseQuad;
  sym->advance = baseSym->advance;
  sym->pAccentQuad = accentSym->pBaseQuad;
  ZIB_ASSERT(sym->pAccentQuad != NULL);
  const float baseWidth = static_cast<float>(static_cast<int32_t>(sym->pBaseQuad->width));
  const float accentWidth = static_cast<float>(static_cast<int32_t>(sym->pAccentQuad->width));
  sym->accentOffsetX = static_cast<int32_t>((baseWidth + 1 - accentWidth) * 0.5f);
  if (accentY != kAutomaticAccentY) {
    sym->accentOffsetY = accentY;
  } else {
    const bool bLowercase = (base >= u'a' && base <= u'z') || base == 0x7F;
    const int32_t top = bLowercase ? fontLowercaseLineRaw : fontUppercaseLineRaw;
    sym->accentOffsetY = static_cast<int32_t>(1 + sym->pAccentQuad->height - static_cast<float>(top));
  }
}

void FontQuad::setupCompositeChars() {
  const TextLanguage& language = TextLanguage::current;
  if (language.compositeChars != u"Yes") return;
  if (language.codePage == u"1250") {
    static constexpr Composite kLetters[] = {
        {0x104, u'A', 0x2DB}, {0x106, u'C', 0xB4}, {0x118, u'E', 0x2DB}, {0x143, u'N', 0xB4},
        {0xD3, u'O', 0xB4},   {0x15A, u'S', 0xB4}, {0x179, u'Z', 0xB4},  {0x17B, u'Z', 0x2D9},
        {0x105, u'a', 0x2DB}, {0x107, u'c', 0xB4}, {0x119, u'e', 0x2DB}, {0x144, u'n', 0xB4},
        {0xF3, u'o', 0xB4},   {0x15B, u's', 0xB4}, {0x17A, u'z', 0xB4},  {0x17C, u'z', 0x2D9},
    };
    for (const Composite& c : kLetters) setCompositeChar(c.composite, c.base, c.accent, c.accent == 0x2DB ? 0 : -999);
  } else if (language.codePage == u"1252") {
    constexpr char16_t grave = 0x60, acute = 0xB4, circumflex = 0x2C6, tilde = 0x2DC, diaeresis = 0xA8,
                       ring = 0xB0, cedilla = 0xB8;
    // The capitals; the lowercase letters lie 0x20 above them.
    static constexpr Composite kCapitals[] = {
        {0xC0, u'A', grave},      {0xC1, u'A', acute},     {0xC2, u'A', circumflex}, {0xC3, u'A', tilde},
        {0xC4, u'A', diaeresis},  {0xC5, u'A', ring},      {0xC7, u'C', cedilla},    {0xC8, u'E', grave},
        {0xC9, u'E', acute},      {0xCA, u'E', circumflex}, {0xCB, u'E', diaeresis}, {0xCC, u'I', grave},
        {0xCD, u'I', acute},      {0xCE, u'I', circumflex}, {0xCF, u'I', diaeresis}, {0xD1, u'N', tilde},
        {0xD2, u'O', grave},      {0xD3, u'O', acute},     {0xD4, u'O', circumflex}, {0xD5, u'O', tilde},
        {0xD6, u'O', diaeresis},  {0xD9, u'U', grave},     {0xDA, u'U', acute},      {0xDB, u'U', circumflex},
        {0xDC, u'U', diaeresis},  {0xDD, u'Y', acute},
    };
    const auto place = [this](char16_t composite, char16_t base, char16_t accent) {
      setCompositeChar(composite, base, accent, accent == 0xB8 ? 0 : -999);
    };
    place(0x178, u'Y', diaeresis);
    for (const Composite& c : kCapitals) place(c.composite, c.base, c.accent);
    for (const Composite& c : kCapitals) {
      // The dotless i carries the accents of the lowercase i.
      const char16_t base = c.base == u'I' ? char16_t(0x7F) : char16_t(c.base + 0x20);
      place(static_cast<char16_t>(c.composite + 0x20), base, c.accent);
    }
    place(0xFF, u'y', diaeresis);
  }
}

int32_t FontQuad::glyphWidth(const FontQuadSymbol* sym) const {
  return sym->pBaseQuad ? static_cast<int32_t>(sym->pBaseQuad->width) : spaceWidth;
}

PointI FontQuad::calcTextWidth(bool countLastAdvance, int32_t* limit, int32_t flags, const std::u16string& text) {
  if (flags & kUseGDI) {
    const PointI size = getGDIFont()->calcTextSize(nullptr, nullptr, text);
    if (limit) *limit = static_cast<int32_t>(text.size());
    return size;
  }
  PointI size{0, fontHeightRaw};
  const size_t count = text.size();
  for (size_t i = 0; i < count; ++i) {
    const FontQuadSymbol* sym = getSymbol(text[i]);
    int32_t w = glyphWidth(sym);
    if (i + 1 < count || countLastAdvance) w += sym->advance;
    size.x += w;
    if (limit && size.x > *limit) {
      *limit = static_cast<int32_t>(i);
      size.x -= w;
      return size;
    }
  }
  if (limit) *limit = static_cast<int32_t>(count);
  return size;
}

Vector3 FontQuad::measureText(bool countLastAdvance, const float* widthLimit, int32_t* fitCount, int32_t flags,
                              const std::u16string& text) {
  if (flags & kUseGDI) {
    if (fitCount) *fitCount = static_cast<int32_t>(text.size());
    return getGDIFont()->measureText(text);
  }
  int32_t limit = widthLimit ? static_cast<int32_t>(*widthLimit) : 0;
  const PointI size = calcTextWidth(countLastAdvance, widthLimit ? &limit : nullptr, flags, text);
  if (fitCount) *fitCount = widthLimit ? limit : static_cast<int32_t>(text.size());
  return {scale.x * static_cast<float>(size.x), scale.y * static_cast<float>(size.y), 0};
}

Vector3 FontQuad::getTextSize(const std::u16string& text) {
  Vector3 size(0, 0, 0);
  const auto measureRun = [&](size_t from, size_t to) {
    const PointI run = calcTextWidth(true, nullptr, 0, text.substr(from, to - from));
    size.x += static_cast<float>(run.x);
    size.y = std::max(size.y, static_cast<float>(run.y));
  };
  size_t from = 0;
  for (size_t mark; (mark = text.find(kTagMark, from)) != std::u16string::npos;) {
    measureRun(from, mark);
    from = std::min(text.size(), mark + 1 + kTagLength);
  }
  measureRun(from, text.size());
  return size;
}

void FontQuad::alignmentOffsets(int32_t flags, int32_t width, float& x, float& y) const {
  textAlignmentOffsets(flags, width, fontHeightRaw, fontUppercaseLineRaw, fontBaselineRaw, x, y);
}

void FontQuad::drawText(float x, float y, float z, UColor color, int32_t flags, const std::u16string& text) {
  Renderable::drawWithTemporaryOwner({x, y, z}, color, [&](Renderable* owner) { renderText(owner, flags, text); });
}

void FontQuad::drawTextShadowed(float x, float y, float z, UColor color, int32_t flags, float shadowX, float shadowY,
                                float shadowZ, UColor shadowColor, const std::u16string& text) {
  Renderable::drawWithTemporaryOwner({x, y, z}, color, [&](Renderable* owner) {
    renderTextShadowed(owner, flags, shadowX, shadowY, shadowZ, shadowColor, text);
  });
}

void FontQuad::renderTextShadowed(Renderable* owner, int32_t flags, float offsetX, float offsetY, float offsetZ,
                                  UColor shadowColor, const std::u16string& text) {
  if (zib->pZibGraphics && zib->pZibGraphics->bHighDetail) {
    const Vector3 position = owner->position;
    const UColor color = owner->color;
    owner->position = Vector3(position.x + offsetX, position.y + offsetY, position.z + offsetZ);
    owner->updateVisual();
    owner->color = shadowColor;
    renderText(owner, flags, text);
    owner->position = position;
    owner->updateVisual();
    owner->color = color;
  }
  renderText(owner, flags, text);
}

void FontQuad::renderText(Renderable* owner, int32_t flags, const std::u16string& text) {
  if (text.empty()) return;
  if (flags & kUseGDI) {
    getGDIFont()->renderText(owner, flags, text);
    return;
  }
  // A line wider than any screen is cut to what fits. Its new last character
  // is measured without its advance, so the cut text is measured anew.
  int32_t fit = FontCache::kMaxTextWidth;
  const int32_t width = calcTextWidth(false, &fit, flags, text).x;
  if (static_cast<size_t>(fit) < text.size()) {
    renderText(owner, flags, text.substr(0, static_cast<size_t>(fit)));
    return;
  }
  float offsetX, offsetY;
  alignmentOffsets(flags, width, offsetX, offsetY);
  offsetX *= scale.x;
  offsetY *= scale.y;

  Renderable temp;
  placeTextRenderable(temp, *owner, scale, offsetX, offsetY);

  const bool bCached = bUseFontCache && pFontCache && zib->pZibGraphics && zib->pZibGraphics->bEnableFontCache &&
                       !(flags & kNoCache) && text.size() >= 4;
  renderAccents(&temp, text);
  float x = offsetX;
  if (!bCached) {
    for (char16_t c : text) {
      const FontQuadSymbol* sym = getSymbol(c);
      if (sym->pBaseQuad) {
        temp.position = Vector3(x, offsetY, 0);
        temp.pSkin = sym->pBaseQuad;
        temp.updateVisual();
        temp.render();
      }
      x += static_cast<float>(sym->advance + glyphWidth(sym)) * scale.x;
    }
  } else {
    for (FontCacheEntry* entry = findCachedText(text); entry; entry = entry->next) {
      entry->render(&temp);
      x += entry->pQuad->width * scale.x;
      temp.position = Vector3(x, offsetY, 0);
      temp.updateVisual();
    }
  }
  temp.pSkin = nullptr;
}

void FontQuad::renderAccents(Renderable* owner, const std::u16string& text) {
  Renderable temp;
  temp.color = owner->color;
  temp.postXform = owner->xform;
  temp.bSkipVisibility = 1;
  int32_t penX = 0;
  for (char16_t c : text) {
    const FontQuadSymbol* sym = getSymbol(c);
    if (sym->pAccentQuad) {
      temp.position = Vector3(static_cast<float>(penX + sym->accentOffsetX), static_cast<float>(sym->accentOffsetY), 0);
      temp.pSkin = sym->pAccentQuad;
      temp.updateVisual();
      temp.render();
    }
    penX += sym->advance + glyphWidth(sym);
  }
  temp.pSkin = nullptr;
}

FontGDI* FontQuad::getGDIFont() {
  if (!pGDIFont) pGDIFont = new FontGDI(fontHeight, 0.75f, 1.0f, 1.0f, u"Comic Sans MS");
  return pGDIFont;
}

FontCacheEntry* FontQuad::findCachedText(const std::u16string& text) {
  if (FontCacheEntry* found = pFontCache->findText(text)) return found;
  return pFontCache->addTextFontQuad(this, text);
}
