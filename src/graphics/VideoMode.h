#pragma once
// One display size the adapter offers, with its aspect ratio classified for
// the options screen.
#include <cstdint>
#include <string>

#include "engine/ZibBase.h"

class VideoMode : public ZibBase {
 public:
  VideoMode(int32_t width, int32_t height);

  // "1366x768 (16:9)"; just "2560x1080" when no ratio class fits.
  std::u16string toString() const;

  int32_t width;
  int32_t height;
  int32_t aspectX;
  int32_t aspectY;
};
