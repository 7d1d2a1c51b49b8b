#pragma once
// DirectInput over SDL's keyboard state (from the event pump) and its joystick
// and game-controller API.
#include <memory>

#include "platform/Input.h"

std::unique_ptr<IDirectInput8> makeSdlDirectInput();
