#pragma once
// A menu item that holds one of a list of values: a button showing the value,
// its caption beside it on the left. A click on the button's middle or right
// (and Enter, which clicks its middle) steps to the next value, a click on its
// left part to the one before; while it has the menu's focus, left and right
// step as well. Toggles and lists wrap around; a scale (a volume) stops at its ends.
#include <cstdint>
#include <string>
#include <vector>

#include "app/MenuButton.h"

class MenuSelector : public MenuButton {
 public:
  MenuSelector(Skin* normal, Skin* hover, Skin* pressed, FontQuad* font, std::u16string caption,
               std::vector<std::u16string> values, int32_t index, bool bWraps);

  // Steps on a click, by the side of the button it landed on.
  void tick(double time, double delta) override;
  // The button with its value and the step marks, then the caption.
  void render() override;

  // Moves `by` values on (negative: back), wrapping or stopping at the ends;
  // sets bChanged when the value changed.
  void step(int32_t by);
  // Shows value `index` (clamped) without counting as a change.
  void select(int32_t index);

  // Half the width of the middle that steps on, in logical pixels.
  static constexpr float kMiddleHalfWidth = 8.0f;

  std::u16string caption;
  std::vector<std::u16string> values;
  int32_t index = 0;
  bool bWraps;
  // Set by the tick or the step that changed the value; cleared by the next tick.
  bool bChanged = false;
};
