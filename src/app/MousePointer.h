#pragma once
// The drawn mouse pointer: follows the pointer of the Context it is ticked
// in (the screen manager's overlay layer), its tip at the skin's top left.
#include "graphics/Renderable.h"

class MousePointer : public Renderable {
 public:
  explicit MousePointer(Skin* skin);

  void tick(double time, double delta) override;
  // Hidden while the pointer follows touches.
  void onInputModeChange() override;
};
