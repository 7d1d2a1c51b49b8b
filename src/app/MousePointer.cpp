#include "app/MousePointer.h"

#include "engine/Zib.h"
#include "engine/input/ZibInput.h"
#include "graphics/Context.h"
#include "graphics/Skin.h"

MousePointer::MousePointer(Skin* skin) {
  skin->setAlignment(7);  // the tip
  setPlacement(skin, nullptr, nullptr, nullptr, nullptr, nullptr);
  onInputModeChange();
}

void MousePointer::tick(double time, double delta) {
  if (const Context* context = zib->currentContext) {
    const Vector3 at = context->pointerPos;
    if (at.x != position.x || at.y != position.y) setPosition(at.x, at.y, 0);
  }
  Renderable::tick(time, delta);
}

void MousePointer::onInputModeChange() { bHidden = zib->pZibInput && zib->pZibInput->inputMode == 2; }
