#include "app/MenuButton.h"

#include "engine/Zib.h"
#include "engine/input/TouchContact.h"
#include "engine/input/ZibInput.h"
#include "graphics/text/FontQuad.h"

MenuButton::MenuButton(Skin* normal, Skin* hover, Skin* pressed, FontQuad* font, std::u16string label)
    : looks{normal, hover, pressed}, pFont(font), label(std::move(label)) {
  bHasInvXform = 1;  // for the pointer test
  setPlacement(normal, nullptr, nullptr, nullptr, nullptr, nullptr);
}

void MenuButton::tick(double time, double delta) {
  Renderable::tick(time, delta);
  bClicked = false;
  ZibInput* input = zib->pZibInput;
  if (!input) return;
  const bool bOver = hitTest();
  TouchContact* contact = input->getContact(0);
  if (bOver && input->isContactPressed(0) && !input->getContactHandled()) contact->handled = this;
  const bool bMine = contact && contact->handled == this;
  if (bMine && contact->bReleased && bOver && !contact->bDragged) bClicked = true;
  const Look now = bMine && contact->bActive && bOver ? kPressed : bOver ? kHover : kNormal;
  if (now != look) {
    look = now;
    setPlacement(looks[look], nullptr, nullptr, nullptr, nullptr, nullptr);
  }
}

void MenuButton::render() {
  Renderable::render();
  if (bHidden || !pFont || label.empty()) return;
  const float sink = look == kPressed ? -2.0f : 0.0f;
  pFont->drawText(position.x, position.y + sink, position.z, labelColor,
                  FontQuad::kAlignCentre | FontQuad::kCentreVertically, label);
}
