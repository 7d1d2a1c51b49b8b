#pragma once
// A rectangle in world units of the current camera (y up: top is the larger
// y), drawable without any object.
#include "graphics/UColor.h"

struct RectF {
  float left = 0, top = 0, right = 0, bottom = 0;

  // Both draw untextured with an identity WORLD transform and leave it so.
  void drawFilled(UColor color) const;
  void drawOutline(UColor color) const;
};
