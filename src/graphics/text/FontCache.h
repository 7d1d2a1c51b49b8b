#pragma once
// Rendered texts kept in horizontal strips of square cache textures, so that
// a line is drawn as one quad per strip. Strips not drawn for cacheTTLframes
// rendered frames are reused.
#include <cstdint>
#include <string>
#include <unordered_map>

#include "engine/ZibBase.h"

class FontCacheEntry;
class FontQuad;

class FontCache : public ZibBase {
  ZIB_DECLARE_CLASS()
 public:
  // Strips of `height` device pixels; fatal, naming the cache, when one does
  // not fit a cache texture.
  FontCache(int32_t height, bool bClearWhite, std::u16string name);
  ~FontCache() override;

  // Drops every strip and texture on the step from PAUSED to FROZEN.
  void onZIBmodeChange(int32_t oldMode, int32_t newMode) override;
  void purge() override;

  // A new cache texture cut into strips; returns its first entry.
  FontCacheEntry* createCacheTexture();
  // The first primary entry unused long enough, released; else a new texture's first.
  FontCacheEntry* getFreeEntry();
  // The first entry, in creation order, holding the text; null for none or "".
  FontCacheEntry* findText(const std::u16string& text);
  // A W x H top-down 32-bit rendering cut into slices of stripStep columns.
  FontCacheEntry* addTextGDI(const uint32_t* pixels, const std::u16string& text, int32_t width, int32_t height);
  FontCacheEntry* addTextFontQuad(FontQuad* font, const std::u16string& text);
  // Keeps findText's index: an entry took its text.
  void indexText(FontCacheEntry* entry);
  // An entry is being released: its text leaves the index and getFreeEntry
  // may take it again.
  void entryReleased(FontCacheEntry* entry);

  // The widest text in font pixels that is drawn: a wider line is cut there.
  // No screen shows more of one line, and its strips would fill memory.
  static constexpr int32_t kMaxTextWidth = 8192;

  int32_t textureSize = 256;
  int32_t scalingMode = 1;
  int32_t stripStep = 254;
  std::u16string name;
  int32_t height = 0;
  uint8_t bClearWhite = 0;
  int32_t cacheTTLframes = 2;
  ZibBase* pTextures = nullptr;
  ZibBase* pEntries = nullptr;

 private:
  // A free entry chained after `previous` (a continuation), or, without one,
  // the first of a new chain holding the text.
  FontCacheEntry* chainEntry(FontCacheEntry* previous, const std::u16string& text);

  // Each text's first entry in creation order.
  std::unordered_map<std::u16string, FontCacheEntry*> textIndex;
  int32_t nextSerial = 0;
  // Where getFreeEntry's walk resumes, so that a text of many strips costs
  // one walk, not one per strip: every entry before it was in use in frame
  // resumeFrame under lifetime resumeTTL. Null: from the first entry.
  FontCacheEntry* resumeAt = nullptr;
  int32_t resumeFrame = 0;
  int32_t resumeTTL = 0;
};
