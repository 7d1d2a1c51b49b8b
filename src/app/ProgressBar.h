#pragma once
// The loading screen's progress bar: an empty frame and a fill that grows
// from the frame's left edge. Skin 0 of its texture is the frame, skin 1 the fill.
#include "engine/ZibBase.h"

class Renderable;
class Texture;

class ProgressBar : public ZibBase {
 public:
  // Centred at (0, y).
  ProgressBar(Texture* texture, float y);

  // 0 to 1; values outside are clamped.
  void setProgress(float done);

  Renderable* pFrame;
  Renderable* pFill;
  float y;
};
