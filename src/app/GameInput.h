#pragma once
// What the game's screens read of the input: key presses and new pointer
// contacts, from the engine's input state of this frame.
#include <cstdint>

class GameInput {
 public:
  static constexpr int32_t kEscape = 0x01;
  static constexpr int32_t kEnter = 0x1C;

  // The key slot went down at this frame's poll.
  static bool isKeyPressed(int32_t slot);
  // A pointer contact (mouse press or touch) began at this frame's poll.
  static bool isNewContact();
};
