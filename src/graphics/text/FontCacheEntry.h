#pragma once
// One strip of a font cache texture: free, the first strip of a cached text
// (with the whole text), or a follower in that text's chain.
#include <cstdint>
#include <string>
#include <string_view>

#include "engine/ZibBase.h"
#include "graphics/RectI.h"

class FontQuad;
class Quad;
class Renderable;
class Texture;

class FontCacheEntry : public ZibBase {
  ZIB_DECLARE_CLASS()
 public:
  // A free strip over (left, top, bottom, right) of the texture, device pixels.
  FontCacheEntry(Texture* texture, int32_t scalingMode, int32_t left, int32_t top, int32_t bottom, int32_t right);
  ~FontCacheEntry() override;

  // Clears the strip to transparent white and frees the whole chain from here.
  void release();
  // Copies the coverage (blue byte) of a top-down 32-bit GDI rendering's
  // source rectangle into the strip's alpha.
  void fillCacheFromGDI(const uint32_t* pixels, int32_t width, int32_t height, const RectI& source);
  // Blits as many leading characters' glyphs as fit; returns their count.
  int32_t fillCacheFromFontQuad(FontQuad* font, std::u16string_view text);
  // Draws the strip in the owner's transform and colour.
  void render(Renderable* owner);
  using ZibBase::render;

  uint8_t bPrimaryLine = 1;
  FontCacheEntry* next = nullptr;
  int32_t lastUse = -999;
  std::u16string text;
  Quad* pQuad = nullptr;
  RectI cacheBounds;
  int32_t scalingMode = 1;
  // Creation order within its cache.
  int32_t serial = 0;
};
