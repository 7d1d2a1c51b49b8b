#include "platform/sdl/SdlEventPump.h"

#include <array>
#include <cstring>

namespace {

struct ScancodeMapping {
  SDL_Scancode sdl;
  uint8_t dik;
};

// The keys of a PC keyboard; letters, digits and F1-F10 follow in blocks below.
constexpr ScancodeMapping kMappings[] = {
    {SDL_SCANCODE_ESCAPE, 0x01},       {SDL_SCANCODE_MINUS, 0x0C},         {SDL_SCANCODE_EQUALS, 0x0D},
    {SDL_SCANCODE_BACKSPACE, 0x0E},    {SDL_SCANCODE_TAB, 0x0F},           {SDL_SCANCODE_LEFTBRACKET, 0x1A},
    {SDL_SCANCODE_RIGHTBRACKET, 0x1B}, {SDL_SCANCODE_RETURN, 0x1C},        {SDL_SCANCODE_LCTRL, 0x1D},
    {SDL_SCANCODE_SEMICOLON, 0x27},    {SDL_SCANCODE_APOSTROPHE, 0x28},    {SDL_SCANCODE_GRAVE, 0x29},
    {SDL_SCANCODE_LSHIFT, 0x2A},       {SDL_SCANCODE_BACKSLASH, 0x2B},     {SDL_SCANCODE_COMMA, 0x33},
    {SDL_SCANCODE_PERIOD, 0x34},       {SDL_SCANCODE_SLASH, 0x35},         {SDL_SCANCODE_RSHIFT, 0x36},
    {SDL_SCANCODE_KP_MULTIPLY, 0x37},  {SDL_SCANCODE_LALT, 0x38},          {SDL_SCANCODE_SPACE, 0x39},
    {SDL_SCANCODE_CAPSLOCK, 0x3A},     {SDL_SCANCODE_NUMLOCKCLEAR, 0x45},  {SDL_SCANCODE_SCROLLLOCK, 0x46},
    {SDL_SCANCODE_KP_7, 0x47},         {SDL_SCANCODE_KP_8, 0x48},          {SDL_SCANCODE_KP_9, 0x49},
    {SDL_SCANCODE_KP_MINUS, 0x4A},     {SDL_SCANCODE_KP_4, 0x4B},          {SDL_SCANCODE_KP_5, 0x4C},
    {SDL_SCANCODE_KP_6, 0x4D},         {SDL_SCANCODE_KP_PLUS, 0x4E},       {SDL_SCANCODE_KP_1, 0x4F},
    {SDL_SCANCODE_KP_2, 0x50},         {SDL_SCANCODE_KP_3, 0x51},          {SDL_SCANCODE_KP_0, 0x52},
    {SDL_SCANCODE_KP_PERIOD, 0x53},    {SDL_SCANCODE_NONUSBACKSLASH, 0x56}, {SDL_SCANCODE_F11, 0x57},
    {SDL_SCANCODE_F12, 0x58},          {SDL_SCANCODE_KP_ENTER, 0x9C},      {SDL_SCANCODE_RCTRL, 0x9D},
    {SDL_SCANCODE_KP_DIVIDE, 0xB5},    {SDL_SCANCODE_PRINTSCREEN, 0xB7},   {SDL_SCANCODE_RALT, 0xB8},
    {SDL_SCANCODE_PAUSE, 0xC5},        {SDL_SCANCODE_HOME, 0xC7},          {SDL_SCANCODE_UP, 0xC8},
    {SDL_SCANCODE_PAGEUP, 0xC9},       {SDL_SCANCODE_LEFT, 0xCB},          {SDL_SCANCODE_RIGHT, 0xCD},
    {SDL_SCANCODE_END, 0xCF},          {SDL_SCANCODE_DOWN, 0xD0},          {SDL_SCANCODE_PAGEDOWN, 0xD1},
    {SDL_SCANCODE_INSERT, 0xD2},       {SDL_SCANCODE_DELETE, 0xD3},        {SDL_SCANCODE_LGUI, 0xDB},
    {SDL_SCANCODE_RGUI, 0xDC},         {SDL_SCANCODE_APPLICATION, 0xDD},
};

// Scan codes of the letters in SDL's alphabetical order a..z.
constexpr uint8_t kLetters[26] = {0x1E, 0x30, 0x2E, 0x20, 0x12, 0x21, 0x22, 0x23, 0x17, 0x24, 0x25, 0x26, 0x32,
                                  0x31, 0x18, 0x19, 0x10, 0x13, 0x1F, 0x14, 0x16, 0x2F, 0x11, 0x2D, 0x15, 0x2C};

std::array<uint8_t, SDL_NUM_SCANCODES> buildTable() {
  std::array<uint8_t, SDL_NUM_SCANCODES> table{};
  for (const auto& m : kMappings) table[m.sdl] = m.dik;
  for (int i = 0; i < 26; ++i) table[SDL_SCANCODE_A + i] = kLetters[i];
  // SDL orders 1..9, 0; the scan codes run 0x02 (1) to 0x0B (0) in the same order.
  for (int i = 0; i < 10; ++i) table[SDL_SCANCODE_1 + i] = static_cast<uint8_t>(0x02 + i);
  for (int i = 0; i < 10; ++i) table[SDL_SCANCODE_F1 + i] = static_cast<uint8_t>(0x3B + i);
  return table;
}

const std::array<uint8_t, SDL_NUM_SCANCODES> kTable = buildTable();

uint8_t keys[256] = {};
// Keys that went down since the keyboard was last read: a tap shorter than a
// frame is read down once rather than missed.
uint8_t pressedSinceRead[256] = {};
bool bFocus = false;
uint32_t joysticksAddedCount = 0;

}  // namespace

namespace sdlpump {

uint8_t scanCodeOf(SDL_Scancode code) {
  return code >= 0 && code < SDL_NUM_SCANCODES ? kTable[code] : 0;
}

bool pollEvent(SDL_Event& event) {
  if (!SDL_PollEvent(&event)) return false;
  switch (event.type) {
    case SDL_KEYDOWN:
    case SDL_KEYUP:
      if (const uint8_t dik = scanCodeOf(event.key.keysym.scancode)) {
        keys[dik] = event.type == SDL_KEYDOWN ? 0x80 : 0;
        pressedSinceRead[dik] |= keys[dik];
      }
      break;
    case SDL_JOYDEVICEADDED:
      ++joysticksAddedCount;
      break;
    case SDL_WINDOWEVENT:
      switch (event.window.event) {
        case SDL_WINDOWEVENT_SHOWN:
        case SDL_WINDOWEVENT_FOCUS_GAINED:
          bFocus = true;
          break;
        case SDL_WINDOWEVENT_HIDDEN:
        case SDL_WINDOWEVENT_FOCUS_LOST:
          bFocus = false;
          // What was held meanwhile is released elsewhere.
          std::memset(keys, 0, sizeof keys);
          std::memset(pressedSinceRead, 0, sizeof pressedSinceRead);
          break;
      }
      break;
  }
  return true;
}

void readKeyboard(uint8_t* state) {
  for (size_t i = 0; i < sizeof keys; ++i) state[i] = keys[i] | pressedSinceRead[i];
  std::memset(pressedSinceRead, 0, sizeof pressedSinceRead);
}

bool hasFocus() { return bFocus; }

uint32_t joysticksAdded() { return joysticksAddedCount; }

void reset(bool bNewFocus) {
  std::memset(keys, 0, sizeof keys);
  std::memset(pressedSinceRead, 0, sizeof pressedSinceRead);
  bFocus = bNewFocus;
}

}  // namespace sdlpump
