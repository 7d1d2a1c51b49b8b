#include "program/Backends.h"
#include "platform/Window.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <cstring>
#include <vector>

#include "support/FakeWindow.h"
#include "support/TestPlatform.h"

namespace {

std::vector<MSG> delivered;  // what the window procedure got, with its extra information

LRESULT recordingProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  delivered.push_back({hWnd, message, wParam, lParam, GetMessageExtraInfo()});
  return DefWindowProc(hWnd, message, wParam, lParam);
}

class WindowTest : public ::testing::Test {
 protected:
  TestPlatform platform;

  void SetUp() override {
    delivered.clear();
    auto backend = std::make_unique<FakeWindow>();
    fake = backend.get();
    platform.setWindow(std::move(backend));
    window = CreateWindow(u"Test", recordingProc, 50, 50, 100, 100);
    ASSERT_NE(window, nullptr);
  }
  FakeWindow* fake = nullptr;
  HWND window = nullptr;
};

TEST_F(WindowTest, MessagesComeInArrivalOrderAndQuitComesLast) {
  PostQuitMessage(3);
  PostMessage(window, WM_CHAR, 'a', 0);
  fake->pushEvent(WM_CHAR, 'b');
  MSG message;
  ASSERT_TRUE(PeekMessage(message, PM_NOREMOVE));  // takes in the window's event, removes nothing
  EXPECT_EQ(message.wParam, WPARAM('a'));
  PostMessage(window, WM_CHAR, 'c', 0);

  std::vector<WPARAM> characters;
  while (GetMessage(message) != 0) {
    EXPECT_EQ(message.hwnd, window);
    characters.push_back(message.wParam);
  }
  EXPECT_EQ(characters, (std::vector<WPARAM>{'a', 'b', 'c'}));
  EXPECT_EQ(message.message, WM_QUIT);
  EXPECT_EQ(message.wParam, 3u);
  EXPECT_FALSE(PeekMessage(message, PM_REMOVE));
}

TEST_F(WindowTest, CloseDestroysTheWindowAndDropsItsMessages) {
  PostMessage(window, WM_CHAR, 'a', 0);
  DispatchMessage({window, WM_CLOSE, 0, 0, 0});
  ASSERT_EQ(delivered.size(), 2u);
  EXPECT_EQ(delivered[0].message, WM_CLOSE);
  EXPECT_EQ(delivered[1].message, WM_DESTROY);  // sent while the close is handled
  EXPECT_FALSE(fake->bOpen);

  MSG message;
  EXPECT_FALSE(PeekMessage(message, PM_REMOVE));
  EXPECT_EQ(DispatchMessage({window, WM_CLOSE, 0, 0, 0}), 0);
  EXPECT_EQ(delivered.size(), 2u);
  EXPECT_FALSE(PostMessage(window, WM_CHAR, 'b', 0));
  EXPECT_FALSE(DestroyWindow(window));
  EXPECT_EQ(GetForegroundWindow(), nullptr);
}

TEST_F(WindowTest, ForegroundFollowsShowingAndFocusEvents) {
  EXPECT_EQ(GetForegroundWindow(), nullptr);
  ShowWindow(window, SW_SHOWNORMAL);
  EXPECT_EQ(fake->showCommand, SW_SHOWNORMAL);
  EXPECT_EQ(GetForegroundWindow(), window);  // no focus event needed

  fake->pushEvent(WM_ACTIVATE, WA_INACTIVE);
  EXPECT_EQ(GetForegroundWindow(), nullptr);  // before the message is even handled
  fake->pushEvent(WM_ACTIVATE, 2);            // WA_CLICKACTIVE
  EXPECT_EQ(GetForegroundWindow(), window);
  ShowWindow(window, SW_HIDE);
  EXPECT_EQ(GetForegroundWindow(), nullptr);
}

TEST_F(WindowTest, CloseRequestsAndSignalsArriveAsWmClose) {
  const int signals[] = {SIGTERM, SIGINT, SIGHUP};
  struct sigaction old[3];
  for (int i = 0; i < 3; ++i) sigaction(signals[i], nullptr, &old[i]);
  installCloseSignalHandlers();

  MSG message;
  for (int signalNumber : signals) {
    raise(signalNumber);
    ASSERT_TRUE(PeekMessage(message, PM_REMOVE));
    EXPECT_EQ(message.message, WM_CLOSE);
    EXPECT_EQ(message.hwnd, window);
    EXPECT_FALSE(PeekMessage(message, PM_REMOVE));  // one request, one message
  }
  for (int i = 0; i < 3; ++i) sigaction(signals[i], &old[i], nullptr);
}

TEST_F(WindowTest, CreationFailsWithItsReason) {
  std::u16string error;
  EXPECT_EQ(CreateWindow(u"Second", recordingProc, 0, 0, 1, 1, &error), nullptr);
  EXPECT_FALSE(error.empty());

  auto failing = std::make_unique<FakeWindow>();
  failing->createError = u"no display";
  platform.setWindow(std::move(failing));
  EXPECT_EQ(CreateWindow(u"Test", recordingProc, 0, 0, 1, 1, &error), nullptr);
  EXPECT_EQ(error, u"no display");
}

// The SDL backend's translation, fed through SDL's own queue (no display needed).
TEST(SdlWindowTest, SdlEventsBecomeWin32Messages) {
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0);
  auto push = [](Uint32 type, auto&& fill) {
    SDL_Event event;
    SDL_zero(event);
    event.type = type;
    fill(event);
    ASSERT_EQ(SDL_PushEvent(&event), 1);
  };
  // é and an emoji beyond the BMP
  push(SDL_TEXTINPUT, [](SDL_Event& e) { std::strcpy(e.text.text, "\xC3\xA9\xF0\x9F\x98\x80"); });
  push(SDL_KEYUP, [](SDL_Event& e) { e.key.keysym.sym = SDLK_a; });  // nothing
  push(SDL_KEYUP, [](SDL_Event& e) { e.key.keysym.sym = SDLK_F10; });
  push(SDL_MOUSEBUTTONDOWN, [](SDL_Event& e) {
    e.button = {SDL_MOUSEBUTTONDOWN, 0, 0, SDL_TOUCH_MOUSEID, SDL_BUTTON_RIGHT, SDL_PRESSED, 1, 0, -3, 470};
  });
  push(SDL_MOUSEWHEEL, [](SDL_Event& e) { e.wheel.y = -2; });
  push(SDL_WINDOWEVENT, [](SDL_Event& e) { e.window.event = SDL_WINDOWEVENT_FOCUS_LOST; });
  push(SDL_WINDOWEVENT, [](SDL_Event& e) { e.window.event = SDL_WINDOWEVENT_CLOSE; });

  auto sdl = makeDesktopWindowBackend();
  std::vector<MSG> messages;
  for (MSG message; sdl->pollEvent(message);) messages.push_back(message);
  SDL_QuitSubSystem(SDL_INIT_EVENTS);

  // Mouse and wheel messages carry their values elsewhere.
  std::vector<std::pair<UINT, WPARAM>> received;
  for (const MSG& m : messages) received.emplace_back(m.message, m.message < WM_MOUSEMOVE ? m.wParam : 0);
  ASSERT_EQ(received, (std::vector<std::pair<UINT, WPARAM>>{{WM_CHAR, 0xE9}, {WM_CHAR, 0xD83D}, {WM_CHAR, 0xDE00},
      {WM_SYSCOMMAND, SC_KEYMENU}, {WM_RBUTTONDOWN, 0}, {WM_MOUSEWHEEL, 0}, {WM_ACTIVATE, WA_INACTIVE}, {WM_CLOSE, 0}}));
  EXPECT_EQ(GET_X_LPARAM(messages[4].lParam), -3);
  EXPECT_EQ(GET_Y_LPARAM(messages[4].lParam), 470);
  EXPECT_EQ(messages[4].extraInfo, TOUCH_MOUSE_EXTRA_INFO);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(messages[5].wParam), -240);
}

}  // namespace
