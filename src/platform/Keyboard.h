#pragma once
// DirectInput-style keyboard state: 256 slots by scan code (DIK_* values),
// 0x80 while the key is down.
#include <cstdint>
#include <functional>

constexpr uint8_t DIK_ESCAPE = 0x01;
constexpr uint8_t DIK_RETURN = 0x1C;
constexpr uint8_t DIK_LSHIFT = 0x2A;
constexpr uint8_t DIK_RSHIFT = 0x36;
constexpr uint8_t DIK_SPACE = 0x39;
constexpr uint8_t DIK_F9 = 0x43;
constexpr uint8_t DIK_F10 = 0x44;
constexpr uint8_t DIK_F11 = 0x57;

// Fills `state` with the keyboard as it stands after the last event pump.
void readKeyboardState(uint8_t state[256]);

// Test seam: a source that fills the state instead of the real keyboard;
// an empty function restores the real one.
void setKeyboardStateSource(std::function<void(uint8_t state[256])> source);
