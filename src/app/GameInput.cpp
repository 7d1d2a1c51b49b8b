#include "app/GameInput.h"

#include "engine/Zib.h"
#include "engine/input/ZibInput.h"

bool GameInput::isKeyPressed(int32_t slot) { return zib->pZibInput && zib->pZibInput->isKeyPressed(slot); }

bool GameInput::isNewContact() { return zib->pZibInput && zib->pZibInput->isAnyContactPressed(); }
