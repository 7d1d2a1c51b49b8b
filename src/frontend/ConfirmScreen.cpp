#include "frontend/ConfirmScreen.h"

#include "app/GameInput.h"

ConfirmScreen::ConfirmScreen(Context* target) : pTarget(target) {
  bDeleteWhenFinished = 1;
}

void ConfirmScreen::tickContents(double time, double delta) {
  Context::tickContents(time, delta);
  if (GameInput::isKeyPressed(GameInput::kEnter)) confirm();
}

void ConfirmScreen::confirm() {
  bFinished = 1;
  pTarget->bFinished = 1;
}
