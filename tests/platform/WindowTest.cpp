#include "platform/Window.h"

#include <SDL.h>
#include <gtest/gtest.h>
#include <signal.h>

#include <cstring>
#include <vector>

#include "platform/fake/FakeWindow.h"

namespace {

std::vector<MSG> delivered;  // what the window procedure got, with its extra information

LRESULT recordingProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  delivered.push_back({hWnd, message, wParam, lParam, GetMessageExtraInfo()});
  return DefWindowProc(hWnd, message, wParam, lParam);
}

class WindowTest : public ::testing::Test {
 protected:
  void SetUp() override {
    delivered.clear();
    auto backend = std::make_unique<FakeWindow>();
    fake = backend.get();
    setWindowBackend(std::move(backend));
    window = CreateWindow(u"Test", recordingProc, 50, 50, 100, 100);
    ASSERT_NE(window, nullptr);
  }
  void TearDown() override { setWindowBackend(nullptr); }

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
  struct sigaction oldTerm, oldInt;
  sigaction(SIGTERM, nullptr, &oldTerm);
  sigaction(SIGINT, nullptr, &oldInt);
  installCloseSignalHandlers();

  MSG message;
  for (int signalNumber : {SIGTERM, SIGINT}) {
    raise(signalNumber);
    ASSERT_TRUE(PeekMessage(message, PM_REMOVE));
    EXPECT_EQ(message.message, WM_CLOSE);
    EXPECT_EQ(message.hwnd, window);
    EXPECT_FALSE(PeekMessage(message, PM_REMOVE));  // one request, one message
  }
  sigaction(SIGTERM, &oldTerm, nullptr);
  sigaction(SIGINT, &oldInt, nullptr);
}

TEST_F(WindowTest, ExtraInformationIsThatOfTheMessageBeingHandled) {
  fake->pushEvent(WM_LBUTTONDOWN, 0, MAKELPARAM(1, 2), TOUCH_MOUSE_EXTRA_INFO);
  fake->pushEvent(WM_MOUSEMOVE, 0, MAKELPARAM(3, 4));
  MSG message;
  while (PeekMessage(message, PM_NOREMOVE)) {
    EXPECT_EQ(GetMessageExtraInfo(), delivered.empty() ? 0u : TOUCH_MOUSE_EXTRA_INFO);
    GetMessage(message);
    DispatchMessage(message);
  }
  ASSERT_EQ(delivered.size(), 2u);
  EXPECT_EQ(delivered[0].extraInfo, TOUCH_MOUSE_EXTRA_INFO);
  EXPECT_EQ(delivered[1].extraInfo, 0u);
}

TEST_F(WindowTest, PlacementAndCreationFailures) {
  SetWindowText(window, u"Skerrion 2");
  EXPECT_EQ(fake->title, u"Skerrion 2");
  SetWindowPos(window, 10, 20, 800, 480);
  RECT client;
  ASSERT_TRUE(GetClientRect(window, client));
  EXPECT_EQ(client.left, 0);
  EXPECT_EQ(client.right, 800);
  EXPECT_EQ(client.bottom, 480);
  EXPECT_EQ(GetNativeWindowHandle(window), fake);

  std::u16string error;
  EXPECT_EQ(CreateWindow(u"Second", recordingProc, 0, 0, 1, 1, &error), nullptr);
  EXPECT_FALSE(error.empty());

  auto failing = std::make_unique<FakeWindow>();
  failing->createError = u"no display";
  setWindowBackend(std::move(failing));
  EXPECT_EQ(CreateWindow(u"Test", recordingProc, 0, 0, 1, 1, &error), nullptr);
  EXPECT_EQ(error, u"no display");
}

TEST(WindowWordsTest, CoordinatesAndWheelDeltasAreSigned) {
  EXPECT_EQ(GET_X_LPARAM(MAKELPARAM(-5, 300)), -5);
  EXPECT_EQ(GET_Y_LPARAM(MAKELPARAM(-5, 300)), 300);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(MAKEWPARAM(0, -2 * WHEEL_DELTA)), -240);
  EXPECT_EQ(LOWORD(0x12345678), 0x5678);
  EXPECT_EQ(HIWORD(0x12345678), 0x1234);
}

// The SDL backend's translation, fed through SDL's own queue (no display needed).
TEST(SdlWindowTest, SdlEventsBecomeWin32Messages) {
  ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_EVENTS), 0);
  auto push = [](SDL_Event event) { ASSERT_EQ(SDL_PushEvent(&event), 1); };
  SDL_Event event;

  SDL_zero(event);
  event.type = SDL_TEXTINPUT;
  std::strcpy(event.text.text, "\xC3\xA9\xF0\x9F\x98\x80");  // é and an emoji beyond the BMP
  push(event);
  SDL_zero(event);
  event.type = SDL_KEYUP;
  event.key.keysym.sym = SDLK_a;  // nothing
  push(event);
  event.key.keysym.sym = SDLK_F10;
  push(event);
  SDL_zero(event);
  event.type = SDL_MOUSEBUTTONDOWN;
  event.button.button = SDL_BUTTON_RIGHT;
  event.button.x = -3;
  event.button.y = 470;
  event.button.which = SDL_TOUCH_MOUSEID;
  push(event);
  SDL_zero(event);
  event.type = SDL_MOUSEWHEEL;
  event.wheel.y = -2;
  push(event);
  SDL_zero(event);
  event.type = SDL_WINDOWEVENT;
  event.window.event = SDL_WINDOWEVENT_FOCUS_LOST;
  push(event);
  event.window.event = SDL_WINDOWEVENT_CLOSE;
  push(event);

  auto sdl = makeSdlWindowBackend();
  std::vector<MSG> messages;
  for (MSG message; sdl->pollEvent(message);) messages.push_back(message);
  SDL_QuitSubSystem(SDL_INIT_EVENTS);

  ASSERT_EQ(messages.size(), 8u);
  const UINT expected[] = {WM_CHAR, WM_CHAR, WM_CHAR, WM_SYSCOMMAND, WM_RBUTTONDOWN, WM_MOUSEWHEEL, WM_ACTIVATE, WM_CLOSE};
  for (size_t i = 0; i < messages.size(); ++i) EXPECT_EQ(messages[i].message, expected[i]) << i;
  EXPECT_EQ(messages[0].wParam, 0xE9u);
  EXPECT_EQ(messages[1].wParam, 0xD83Du);
  EXPECT_EQ(messages[2].wParam, 0xDE00u);
  EXPECT_EQ(messages[3].wParam, SC_KEYMENU);
  EXPECT_EQ(GET_X_LPARAM(messages[4].lParam), -3);
  EXPECT_EQ(GET_Y_LPARAM(messages[4].lParam), 470);
  EXPECT_EQ(messages[4].extraInfo, TOUCH_MOUSE_EXTRA_INFO);
  EXPECT_EQ(GET_WHEEL_DELTA_WPARAM(messages[5].wParam), -240);
  EXPECT_EQ(messages[6].wParam, WA_INACTIVE);
}

}  // namespace
