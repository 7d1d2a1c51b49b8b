#include "app/GameInput.h"

#include "engine/Zib.h"
#include "graphics/Console.h"
#include "engine/input/ZibInput.h"

bool GameInput::isKeyPressed(int32_t slot) {
  return zib->pZibInput && !isConsoleOpen() && zib->pZibInput->isKeyPressed(slot);
}

bool GameInput::isConsoleOpen() { return zib->pConsole && zib->pConsole->bVisible; }

bool GameInput::isNewContact() { return zib->pZibInput && zib->pZibInput->isAnyContactPressed(); }
