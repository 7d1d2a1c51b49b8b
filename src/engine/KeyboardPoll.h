#pragma once
// The keyboard's key slots as the last two frames saw them. It serves the
// engine's own keys (screenshot, debug time scale, Escape on screens) until
// the input manager, which keeps the full key-slot array, takes its place.
#include <cstdint>

class KeyboardPoll {
 public:
  // Reads the keyboard; the state read before becomes the previous one.
  void update();
  bool isDown(uint8_t scanCode) const { return (current[scanCode] & 0x80) != 0; }
  // Down now and up at the previous poll.
  bool wentDown(uint8_t scanCode) const { return isDown(scanCode) && !(previous[scanCode] & 0x80); }

 private:
  uint8_t current[256] = {};
  uint8_t previous[256] = {};
};
