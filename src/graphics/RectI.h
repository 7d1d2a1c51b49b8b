#pragma once
// Integer rectangle; the field order (bottom before right) is shared with
// texture rectangles.
#include <cstdint>

struct RectI {
  int32_t left;
  int32_t top;
  int32_t bottom;
  int32_t right;

  int32_t width() const { return right - left; }
  int32_t height() const { return bottom - top; }
};
