#include "platform/sdl/SdlEventPump.h"

#include <gtest/gtest.h>

#include <map>

namespace {

TEST(SdlEventPumpTest, EveryKeyHasItsOwnScanCode) {
  std::map<uint8_t, int> owners;
  for (int code = 0; code < SDL_NUM_SCANCODES; ++code) {
    const uint8_t dik = sdlpump::scanCodeOf(static_cast<SDL_Scancode>(code));
    EXPECT_TRUE(!dik || owners.emplace(dik, code).second) << "scan code " << int(dik) << " for " << owners[dik] << ", " << code;
  }
  const std::pair<SDL_Scancode, uint8_t> known[] = {
      {SDL_SCANCODE_ESCAPE, 0x01}, {SDL_SCANCODE_1, 0x02},    {SDL_SCANCODE_0, 0x0B},       {SDL_SCANCODE_TAB, 0x0F},
      {SDL_SCANCODE_RETURN, 0x1C}, {SDL_SCANCODE_GRAVE, 0x29}, {SDL_SCANCODE_F10, 0x44},    {SDL_SCANCODE_F11, 0x57},
      {SDL_SCANCODE_KP_ENTER, 0x9C}, {SDL_SCANCODE_RCTRL, 0x9D}, {SDL_SCANCODE_RALT, 0xB8}, {SDL_SCANCODE_DOWN, 0xD0},
      {SDL_SCANCODE_A, 0x1E},      {SDL_SCANCODE_Z, 0x2C},     {SDL_SCANCODE_DELETE, 0xD3}};
  for (const auto& [sdl, dik] : known) EXPECT_EQ(sdlpump::scanCodeOf(sdl), dik) << SDL_GetScancodeName(sdl);
}

TEST(SdlEventPumpTest, ATapShorterThanAFrameIsReadDownOnce) {
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0);
  for (const Uint32 type : {SDL_KEYDOWN, SDL_KEYUP}) {
    SDL_Event event{};
    event.key.type = type;
    event.key.keysym.scancode = SDL_SCANCODE_RETURN;
    ASSERT_EQ(SDL_PushEvent(&event), 1);
  }
  for (SDL_Event event; sdlpump::pollEvent(event);) {
  }
  SDL_QuitSubSystem(SDL_INIT_EVENTS);
  uint8_t state[256];
  sdlpump::readKeyboard(state);
  EXPECT_EQ(state[0x1C], 0x80);
  sdlpump::readKeyboard(state);
  EXPECT_EQ(state[0x1C], 0);
}

}  // namespace
