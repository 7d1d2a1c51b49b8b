// Devices through the real SDL backends under Xvfb: controllers that are
// unplugged and come back (SDL's virtual joysticks), more controllers than
// there are blocks, finger events in a window away from the display's origin,
// and the gamma ramp of a full-screen device.
#include <SDL.h>

#include <tuple>

#include "engine/input/TouchContact.h"
#include "engine/MemoryIniFile.h"
#include "DesktopWindowTest.h"

namespace {

class DevicesWindowTest : public DesktopWindowTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    ASSERT_NO_FATAL_FAILURE(openWindow(u"DevicesWindowTest"));
    ASSERT_EQ(SDL_InitSubSystem(SDL_INIT_JOYSTICK), 0);
  }
  void TearDown() override {
    delete input;
    zib->pZibInput = input = nullptr;
    for (int i = SDL_NumJoysticks() - 1; i >= 0; --i)
      if (SDL_JoystickIsVirtual(i)) SDL_JoystickDetachVirtual(i);
    SDL_QuitSubSystem(SDL_INIT_JOYSTICK);
    DesktopWindowTest::TearDown();
  }

  void startInput() {
    zib->pZibInput = input = new ZibInput();
    ShowWindow(window, SW_SHOWNORMAL);
    frames(20);
  }

  static int attachPad() { return SDL_JoystickAttachVirtual(SDL_JOYSTICK_TYPE_GAMECONTROLLER, 6, 15, 0); }
  // The handle the engine holds open on the virtual pad at `index`, or null.
  static SDL_Joystick* openedPad(int index) { return SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(index)); }
  static int lastVirtualPad() {
    for (int i = SDL_NumJoysticks() - 1; i >= 0; --i)
      if (SDL_JoystickIsVirtual(i)) return i;
    return -1;
  }

  void pushFinger(Uint32 type, SDL_FingerID finger, float x, float y) {
    SDL_Event event{};
    const Uint32 windowId = SDL_GetWindowID(static_cast<SDL_Window*>(GetNativeWindowHandle(window)));
    event.tfinger = {type, 0, 1, finger, x, y, 0, 0, 0, windowId};
    ASSERT_EQ(SDL_PushEvent(&event), 1);
  }
};

constexpr int kButtonA = ZibInput::kControllerFirstSlot + ZibInput::kControllerFirstButton;

TEST_F(DevicesWindowTest, AControllerPluggedBackInReadsAgain) {
  int index = attachPad();
  ASSERT_GE(index, 0) << SDL_GetError();
  startInput();
  ASSERT_EQ(input->numJoysticks, 1);
  ASSERT_NE(openedPad(index), nullptr);
  SDL_JoystickSetVirtualButton(openedPad(index), 0, SDL_PRESSED);
  EXPECT_TRUE(frameUntil([&] { return input->isKeyDown(kButtonA); }));

  ASSERT_EQ(SDL_JoystickDetachVirtual(index), 0);
  EXPECT_TRUE(frameUntil([&] { return !input->isKeyDown(kButtonA); }));

  index = attachPad();
  ASSERT_GE(index, 0) << SDL_GetError();
  // The same controller, on a new instance: the device takes it up again.
  ASSERT_TRUE(frameUntil([&] { return openedPad(index) != nullptr; }));
  frames(3);
  EXPECT_FALSE(input->isKeyDown(kButtonA));
  SDL_JoystickSetVirtualButton(openedPad(index), 0, SDL_PRESSED);
  EXPECT_TRUE(frameUntil([&] { return input->isKeyDown(kButtonA); }));
  EXPECT_EQ(input->numJoysticks, 1);
}

TEST_F(DevicesWindowTest, AFifthControllerIsLeftOut) {
  for (int i = 0; i < 5; ++i) ASSERT_GE(attachPad(), 0) << SDL_GetError();
  startInput();
  EXPECT_EQ(input->numJoysticks, 4);
  EXPECT_NE(logText().find("ZibInput::enumerateCallback(): Too many joysticks."), std::string::npos);
  for (int i = 0; i < SDL_NumJoysticks(); ++i)
    if (SDL_Joystick* pad = openedPad(i)) SDL_JoystickSetVirtualButton(pad, 0, SDL_PRESSED);
  frames(5);
  for (int j = 0; j < ZibInput::kMaxJoysticks; ++j) EXPECT_TRUE(input->isKeyDown(kButtonA + j * ZibInput::kControllerSlots)) << j;
  // The mouse block after the fourth controller stays up.
  for (int slot = 448; slot < ZibInput::kKeySlots; ++slot) EXPECT_FALSE(input->isKeyDown(slot)) << slot;
  EXPECT_EQ(openedPad(lastVirtualPad()), nullptr);
}

TEST_F(DevicesWindowTest, FingersLandInTheClientAreaAndKeepTheirIdWhileDown) {
  startInput();
  SetWindowPos(window, 150, 90, 800, 480);
  ASSERT_TRUE(frameUntil([&] {
    int x = 0, y = 0;
    SDL_GetWindowPosition(static_cast<SDL_Window*>(GetNativeWindowHandle(window)), &x, &y);
    return x == 150 && y == 90;
  }));
  pushFinger(SDL_FINGERDOWN, 7, 0.25f, 0.5f);
  frame();
  TouchContact* first = input->getContact(0);
  ASSERT_NE(first, nullptr);
  EXPECT_EQ(input->inputMode, 2);
  expectNear(first->rawPos, Vector3(200, 240, 0));
  expectNear(input->pointerPos, Vector3(200, 240, 0));
  const int32_t tag = first->tag;
  EXPECT_GT(tag, 0);

  pushFinger(SDL_FINGERMOTION, 7, 0.5f, 0.25f);
  frame();
  expectNear(first->rawPos, Vector3(400, 120, 0));

  // The up of finger 7 was lost: its next down ends the held contact.
  pushFinger(SDL_FINGERDOWN, 7, 0.75f, 0.75f);
  frame();
  EXPECT_TRUE(first->bReleased);
  EXPECT_EQ(first->tag, -1);
  TouchContact* second = input->getContact(1);
  ASSERT_NE(second, nullptr);
  EXPECT_EQ(second->tag, tag);
  expectNear(second->rawPos, Vector3(600, 360, 0));

  pushFinger(SDL_FINGERUP, 7, 0.75f, 0.75f);
  frame();
  EXPECT_EQ(input->getContact(0), second);
  EXPECT_TRUE(second->bReleased);
  // Another finger afterwards is another contact.
  pushFinger(SDL_FINGERDOWN, 8, 0.1f, 0.1f);
  frame();
  ASSERT_NE(input->findContact(tag + 1), nullptr);
}

class GammaRampWindowTest : public GraphicsTest {};

// Full screen takes the display's gamma and sets it to the identity ramp;
// a window leaves the device's own ramp alone.
TEST_F(GammaRampWindowTest, AFullScreenDeviceIsGivenTheIdentityRamp) {
  if (!openGlWindow(u"GammaRampWindowTest")) GTEST_SKIP() << "no display";
  SDL_DisplayMode desktop;
  ASSERT_EQ(SDL_GetDesktopDisplayMode(0, &desktop), 0);
  for (const bool bFullScreen : {false, true}) {
    SCOPED_TRACE(bFullScreen ? "full screen" : "windowed");
    zib->pConfig->setBool(bFullScreen, u"ZibGraphics", u"bFullScreen");
    zib->pConfig->setInt(bFullScreen ? desktop.w : 800, u"ZibGraphics", u"videoModeWidth");
    zib->pConfig->setInt(bFullScreen ? desktop.h : 480, u"ZibGraphics", u"videoModeHeight");
    ZibGraphics& graphics = makeGraphics();
    ASSERT_EQ(static_cast<bool>(graphics.bFullScreen), bFullScreen);
    D3DGAMMARAMP ramp;
    graphics.dxDevice->GetGammaRamp(0, &ramp);
    const int step = bFullScreen ? 256 : 257;
    for (int i = 0; i < 256; ++i)
      ASSERT_EQ(std::tuple(ramp.red[i], ramp.green[i], ramp.blue[i]), std::tuple(i * step, i * step, i * step)) << i;
    delete &graphics;
    zib->pZibGraphics = nullptr;
  }
  DestroyWindow(static_cast<HWND>(zib->hWindowHandle));
}

}  // namespace
