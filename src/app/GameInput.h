#pragma once
// What the game's screens read of the input: key presses and new pointer
// contacts, from the engine's input state of this frame.
#include <cstdint>

class GameInput {
 public:
  static constexpr int32_t kEscape = 0x01;
  static constexpr int32_t kEnter = 0x1C;
  static constexpr int32_t kNumpadEnter = 0x9C;
  static constexpr int32_t kUp = 0xC8, kDown = 0xD0, kLeft = 0xCB, kRight = 0xCD;
  // Key slots of the four game controllers: up, down, then the buttons.
  static constexpr int32_t kControllerFirstSlot = 256, kControllerSlots = 48;
  static constexpr int32_t kControllerUp = 0, kControllerDown = 1, kControllerLeft = 2, kControllerRight = 3,
                           kControllerFirstButton = 16;

  // The key slot went down at this frame's poll; never while the console is
  // open, which takes the keys for itself.
  static bool isKeyPressed(int32_t slot);
  static bool isConsoleOpen();
  // A pointer contact (mouse press or touch) began at this frame's poll.
  static bool isNewContact();
};
