#include "graphics/VideoMode.h"

#include <cmath>

#include "base/Format.h"

VideoMode::VideoMode(int32_t width, int32_t height) : width(width), height(height), aspectX(width), aspectY(height) {
  struct Ratio {
    float value;
    int32_t x, y;
  };
  static constexpr Ratio kRatios[] = {{1.25f, 5, 4},  {1.33f, 4, 3}, {1.5f, 3, 2},
                                      {1.6f, 16, 10}, {1.66f, 5, 3}, {1.77f, 16, 9}};
  if (height <= 0) return;
  const float ratio = static_cast<float>(width) / static_cast<float>(height);
  for (const Ratio& candidate : kRatios) {
    if (std::fabs(ratio - candidate.value) < 0.01f) {
      aspectX = candidate.x;
      aspectY = candidate.y;
      return;
    }
  }
  const int32_t whole = width / height;
  if (std::fabs(ratio - static_cast<float>(whole)) < 0.01f) {
    aspectX = whole;
    aspectY = 1;
  }
}

std::u16string VideoMode::toString() const {
  if (aspectX != width) return formatString(u"%dx%d (%d:%d)", width, height, aspectX, aspectY);
  return formatString(u"%dx%d", width, height);
}
