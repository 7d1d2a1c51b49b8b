#include "engine/KeyboardPoll.h"

#include <cstring>

#include "platform/Keyboard.h"

void KeyboardPoll::update() {
  std::memcpy(previous, current, sizeof current);
  readKeyboardState(current);
}
