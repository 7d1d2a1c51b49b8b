#pragma once

#include <cstdint>

class Renderable;
struct Vector3;

// The x and y offsets that the alignment flags (FontQuad::kAlignRight ...)
// give a text `width` glyph pixels wide, from the font's raw metrics. Shared
// by the quad font and the GDI font it falls back on.
void textAlignmentOffsets(int32_t flags, int32_t width, int32_t fontHeight, int32_t uppercaseLine, int32_t baseline,
                          float& x, float& y);

// Sets `temp` up as the stand-in a font draws a text through: at (x, y) and
// the font's scale in `owner`'s frame and colour, not culled on its own.
void placeTextRenderable(Renderable& temp, const Renderable& owner, const Vector3& scale, float x, float y);
