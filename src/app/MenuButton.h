#pragma once
// A menu button: three looks (normal, under the pointer, pressed) and a label
// drawn centred on it. It claims the first contact that presses on it and
// takes a click only when that contact is released while it holds the claim,
// over it and not dragged. Enter and a controller's button reach it through
// the pointer: the menu adds a mouse contact where the pointer stands.
#include <string>

#include "graphics/Renderable.h"

class FontQuad;

class MenuButton : public Renderable {
 public:
  enum Look { kNormal = 0, kHover = 1, kPressed = 2 };

  // The skins are registered resources; `font` may be null (no label).
  MenuButton(Skin* normal, Skin* hover, Skin* pressed, FontQuad* font, std::u16string label);

  void tick(double time, double delta) override;
  void render() override;

  // Set by the tick that took the click, cleared by the next one.
  bool bClicked = false;
  Look look = kNormal;
  Skin* looks[3];
  FontQuad* pFont;
  std::u16string label;
  UColor labelColor = 0xFFFFFFFF;
};
