#include "graphics/text/FontCache.h"

#include <algorithm>
#include <string_view>

#include "base/Format.h"
#include "engine/ErrorManager.h"
#include "engine/MemoryIniFile.h"
#include "engine/Zib.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/Texture.h"
#include "graphics/text/FontCacheEntry.h"

ZIB_DEFINE_CLASS(FontCache, ZibBase, nullptr);

FontCache::FontCache(int32_t height, bool bClearWhite, std::u16string name)
    : name(std::move(name)), height(height), bClearWhite(bClearWhite) {
  scalingMode = std::max(zib->hq2x, 1);
  textureSize = 256 * scalingMode;
  stripStep = 254 * scalingMode;
  if (zib->pConfig) {
    if (!zib->pConfig->hasKey(u"FontCache", u"cacheTTLframes")) zib->pConfig->setInt(2, u"FontCache", u"cacheTTLframes");
    cacheTTLframes = zib->pConfig->getInt(u"FontCache", u"cacheTTLframes");
  }
  // An entry must outlive the frame that drew it, or every draw takes a new strip.
  cacheTTLframes = std::max(cacheTTLframes, 1);
  if (height > textureSize || height <= 0)
    ZIB_ERROR(u"Font cache '%s': strips of %d pixels do not fit its %d-pixel textures.", this->name, height,
              textureSize);
  pTextures = new ZibBase();
  pEntries = new ZibBase();
  appendChild(pTextures);
  appendChild(pEntries);
}

FontCache::~FontCache() { purge(); }

void FontCache::onZIBmodeChange(int32_t oldMode, int32_t newMode) {
  if (oldMode == MODE_PAUSED && newMode == MODE_FROZEN) purge();
}

void FontCache::purge() {
  textIndex.clear();
  resumeAt = nullptr;
  pEntries->destroyChildren();
  pTextures->destroyChildren();
}

FontCacheEntry* FontCache::createCacheTexture() {
  const int32_t rows = textureSize / height;
  FontCacheEntry* result = nullptr;
  const auto count = static_cast<int32_t>(pTextures->countChildren());
  auto* texture = new Texture(textureSize, textureSize, textureSize > 256 ? 12 : 8);
  texture->name = formatString(u"FontCacheTex%s[%d]", name, count);
  pTextures->appendChild(texture);
  texture->pSavedSourceData->clear(nullptr, bClearWhite);
  texture->copyImageData(texture->pSavedSourceData, nullptr, nullptr);
  for (int32_t r = 0; r < rows; ++r) {
    auto* entry = new FontCacheEntry(texture, scalingMode, 0, r * height, (r + 1) * height, textureSize);
    entry->serial = nextSerial++;
    pEntries->appendChild(entry);
    if (!result) result = entry;
  }
  ZIB_ASSERT(result != NULL);
  return result;
}

FontCacheEntry* FontCache::getFreeEntry() {
  const int32_t now = zib->renderedFrames;
  const bool bResume = resumeAt && resumeFrame == now && resumeTTL == cacheTTLframes;
  BasicLink* node = bResume ? resumeAt : pEntries->firstChild;
  resumeFrame = now;
  resumeTTL = cacheTTLframes;
  for (; node; node = node->next) {
    auto* entry = static_cast<FontCacheEntry*>(node);
    // As a difference: a configured lifetime near the integer limit must not overflow.
    if (entry->bPrimaryLine && int64_t(now) - entry->lastUse >= cacheTTLframes) {
      resumeAt = entry;
      entry->release();  // its followers, freed, may lie before it
      return entry;
    }
  }
  resumeAt = createCacheTexture();
  return resumeAt;
}

FontCacheEntry* FontCache::findText(const std::u16string& text) {
  // Free entries hold the empty text: it names no cached text.
  if (text.empty()) return nullptr;
  const auto found = textIndex.find(text);
  if (found == textIndex.end()) return nullptr;
  FontCacheEntry* _o = found->second;
  ZIB_ASSERT(_o->bPrimaryLine);
  return _o;
}

void FontCache::indexText(FontCacheEntry* entry) {
  if (entry->text.empty()) return;
  auto [at, inserted] = textIndex.emplace(entry->text, entry);
  if (!inserted && entry->serial < at->second->serial) at->second = entry;
}

void FontCache::entryReleased(FontCacheEntry* entry) {
  if (resumeAt && entry->serial < resumeAt->serial) resumeAt = entry;
  if (entry->text.empty()) return;
  const auto found = textIndex.find(entry->text);
  if (found == textIndex.end() || found->second != entry) return;
  textIndex.erase(found);
  // Another entry may hold the same text: the earliest of them takes over.
  for (BasicLink* node = pEntries->firstChild; node; node = node->next) {
    auto* other = static_cast<FontCacheEntry*>(node);
    if (other != entry && other->text == entry->text) {
      textIndex.emplace(other->text, other);
      break;
    }
  }
}

FontCacheEntry* FontCache::chainEntry(FontCacheEntry* previous, const std::u16string& text) {
  FontCacheEntry* entry = getFreeEntry();
  if (previous) {
    previous->next = entry;
    entry->bPrimaryLine = 0;
  } else {
    entry->text = text;
    indexText(entry);
  }
  return entry;
}

FontCacheEntry* FontCache::addTextGDI(const uint32_t* pixels, const std::u16string& text, int32_t width,
                                      int32_t height) {
  FontCacheEntry* first = nullptr;
  FontCacheEntry* previous = nullptr;
  int32_t x = 0;
  do {
    const int32_t end = std::min(x + stripStep, width);
    FontCacheEntry* entry = chainEntry(previous, text);
    if (!first) first = entry;
    entry->fillCacheFromGDI(pixels, width, height, RectI{x, 0, height, end});
    previous = entry;
    x += stripStep;
  } while (x < width);
  return first;
}

FontCacheEntry* FontCache::addTextFontQuad(FontQuad* font, const std::u16string& text) {
  FontCacheEntry* first = nullptr;
  FontCacheEntry* previous = nullptr;
  // A view moves on by the characters placed: cutting them off the string would copy the rest for every strip.
  std::u16string_view rest = text;
  while (!rest.empty()) {
    FontCacheEntry* entry = chainEntry(previous, text);
    if (!first) first = entry;
    rest.remove_prefix(static_cast<size_t>(entry->fillCacheFromFontQuad(font, rest)));
    previous = entry;
  }
  return first;
}
