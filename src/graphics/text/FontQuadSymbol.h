#pragma once
// One code point of a glyph font: its glyph, the accent of a composed letter
// and where that accent sits.
#include <cstdint>

class Quad;

struct FontQuadSymbol {
  Quad* pBaseQuad = nullptr;    // not owned; null: no glyph
  Quad* pAccentQuad = nullptr;  // not owned; null: no accent
  int32_t advance = 0;          // extra advance after the glyph
  int32_t accentOffsetX = 0;
  int32_t accentOffsetY = 0;
};
