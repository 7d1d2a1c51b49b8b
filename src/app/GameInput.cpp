#include "app/GameInput.h"

#include "engine/Zib.h"

bool GameInput::isKeyPressed(int32_t slot) {
  return slot >= 0 && slot < 256 && zib->keyboard.wentDown(static_cast<uint8_t>(slot));
}

bool GameInput::isNewContact() { return false; }
