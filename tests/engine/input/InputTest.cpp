#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <memory>
#include <vector>

#include "engine/AppShell.h"
#include "engine/MemoryIniFile.h"
#include "engine/TimeKeeper.h"
#include "engine/Zib.h"
#include "engine/ZibEvent.h"
#include "engine/input/PointerFocusTracker.h"
#include "engine/input/TouchContact.h"
#include "engine/input/ZibInput.h"
#include "support/EngineFixture.h"
#include "support/FakeWindow.h"
#include "support/GraphicsFixture.h"
#include "support/TestPlatform.h"

namespace {

// A bare engine with the input manager and the focus tracker, a fake window
// whose client area is the logical screen (800 by 480, y down), scripted devices and the test clock.
class InputTest : public EngineTest {
 protected:
  void SetUp() override {
    platform.clock();
    EngineTest::SetUp();
    zib->pTimeKeeper = new TimeKeeper();
    auto backend = std::make_unique<FakeWindow>();
    fakeWindow = backend.get();
    platform.setWindow(std::move(backend));
    window = CreateWindow(u"Skerrion 2", windowProc, 0, 0, 800, 480);
    zib->hWindowHandle = window;
    bTouchAvailable = true;
    setFrameDelta(0.05);
  }
  void TearDown() override {
    EngineTest::TearDown();
    bTouchAvailable = false;
  }

  // The input manager, built once the test has scripted the devices; the first poll acquires them.
  ZibInput& start() {
    zib->pFocusTracker = new PointerFocusTracker();
    zib->pZibInput = input = new ZibInput();
    poll();
    return *input;
  }
  void setFrameDelta(double delta) {
    zib->frameTimer.previousTime = 0;
    zib->frameTimer.lastTime = delta;
  }
  void poll() {
    ++zib->frameCounter;
    input->update();
  }
  void mouse(UINT message, int x, int y) { windowProc(window, message, 0, MAKELPARAM(x, y)); }
  void touch(uint32_t flags, uint32_t id, int x, int y) {
    TOUCHINPUT record;
    record.x = x * 100;
    record.y = y * 100;
    record.dwID = id;
    record.dwFlags = flags;
    windowProc(window, WM_TOUCH, 1, MakeTouchInputHandle(&record, 1));
  }
  void hold(std::initializer_list<uint8_t> keys) {
    std::fill(std::begin(devices.keys), std::end(devices.keys), 0);
    for (uint8_t key : keys) devices.keys[key] = 0x80;
  }

  TestPlatform platform;
  FakeInputState& devices = platform.input();
  FakeWindow* fakeWindow = nullptr;
  HWND window = nullptr;
  ZibInput* input = nullptr;
};

TEST_F(InputTest, HeldKeyIsPressedOnceAndRepeatsAfterTheDelayThenAtTheRate) {
  start();
  setFrameDelta(0.03);  // no multiple of 0.25 or 0.1 s: each falls clearly inside a frame
  hold({0x30, 0x20});   // B and D together: the lower slot wins
  std::vector<int> delivered;
  for (int frame = 0; frame < 24; ++frame) {
    poll();
    EXPECT_EQ(input->isKeyPressed(0x20), frame == 0);
    if (const int32_t key = input->getRepeatedKey()) {
      EXPECT_EQ(key, 0x20);
      delivered.push_back(frame);
    }
  }
  // At the press, once 0.25 s have passed (0.27 s), then each time 0.1 s have passed again (0.12 s).
  EXPECT_EQ(delivered, (std::vector<int>{0, 9, 13, 17, 21}));
  hold({});
  poll();
  EXPECT_EQ(input->getRepeatedKey(), 0);
  EXPECT_FALSE(input->isKeyDown(0x20));

  // The modifier codes, left and right keys alike; bits of `held`: Shift, Ctrl, Alt, right-hand keys.
  const int32_t codes[] = {0, 1, 2, 5, 3, 6, 4, 7};
  const uint8_t left[] = {DIK_LSHIFT, DIK_LCONTROL, DIK_LMENU}, right[] = {DIK_RSHIFT, DIK_RCONTROL, DIK_RMENU};
  for (int held = 0; held < 16; ++held) {
    hold({});
    for (int k = 0; k < 3; ++k)
      if (held >> k & 1) devices.keys[(held & 8 ? right : left)[k]] = 0x80;
    poll();
    EXPECT_EQ(input->modifiers, codes[held & 7]) << held;
  }
}

TEST_F(InputTest, KeyboardReadFailingClearsItsKeysInsteadOfHoldingThem) {
  start();
  hold({DIK_SPACE});
  poll();
  EXPECT_TRUE(input->isKeyDown(DIK_SPACE));
  devices.bFocus = false;  // released in the background
  poll();
  EXPECT_FALSE(input->isKeyDown(DIK_SPACE));
  hold({});
  devices.bFocus = true;
  poll();  // acquired again
  hold({DIK_SPACE});
  poll();
  EXPECT_TRUE(input->isKeyPressed(DIK_SPACE));
}

TEST_F(InputTest, ControllersReadStickWithDeadZoneHatsAndButtonsIntoTheirSlots) {
  devices.pads.resize(2);
  start();
  const int pad0 = ZibInput::kControllerFirstSlot, pad1 = pad0 + ZibInput::kControllerSlots;
  auto& state = devices.pads[0].state;
  const auto stickX = [&](int32_t x) {
    state.lX = x;
    poll();
    return input->getStickVector(0).x;
  };
  EXPECT_EQ(stickX(200), 0.0f);
  EXPECT_NEAR(stickX(600), 0.5f, 1e-6);
  EXPECT_NEAR(stickX(-1000), -1.0f, 1e-6);
  EXPECT_TRUE(input->isKeyDown(pad0 + 2));
  state.lY = -1000;  // up
  poll();
  EXPECT_EQ(input->getStickVector(0), Vector3(-1, 1, 0));
  state.lY = 0;
  EXPECT_FALSE(stickX(400) == 0);
  EXPECT_FALSE(input->isKeyDown(pad0 + 2)) << "a stick at 0.4 alone sets no slot";

  const auto hat = [&](uint32_t v) {
    state.lX = 0;
    state.rgdwPOV[0] = v;
    poll();
    std::vector<bool> slots;
    for (int d = 0; d < 4; ++d) slots.push_back(input->isKeyDown(pad0 + d));
    return slots;  // up, down, left, right
  };
  EXPECT_EQ(hat(6000), (std::vector<bool>{false, false, false, true}));
  EXPECT_EQ(hat(30000), (std::vector<bool>{false, false, true, false}));
  EXPECT_EQ(hat(4500), (std::vector<bool>{true, false, false, true}));
  EXPECT_EQ(input->getPovVector(0), Vector3(1, 1, 0));
  EXPECT_EQ(hat(0xFFFFFFFF), (std::vector<bool>{false, false, false, false}));

  state.rgbButtons[3] = 0x80;
  devices.pads[1].state.lY = -1000;  // up
  poll();
  EXPECT_TRUE(input->isKeyPressed(pad0 + 16 + 3));
  EXPECT_TRUE(input->isKeyDown(pad1 + 0));
  poll();
  EXPECT_FALSE(input->isKeyPressed(pad0 + 16 + 3));

  devices.pads[0].bAttached = false;  // unplugged while held
  poll();
  EXPECT_FALSE(input->isKeyDown(pad0 + 16 + 3));
  EXPECT_EQ(input->getPovVector(0).x, 0.0f);
  EXPECT_TRUE(input->isKeyDown(pad1 + 0));
}

TEST_F(InputTest, SettingsAreWrittenBackAndControllerPressesCountWithoutTheKeyboard) {
  useDiskFiles();
  zib->pConfig = new MemoryIniFile(fromUtf8((dataHome.path() / "input.cfg").string()));
  zib->pConfig->setBool(false, u"ZibInput", u"bTrackKeyboard");
  zib->pConfig->setDouble(1.5, u"ZibInput", u"joystickDeadZone");
  devices.pads.resize(1);
  devices.pads.push_back({u"Broken", {}, true, true});  // its range cannot be set
  start();
  EXPECT_EQ(input->numJoysticks, 1);
  EXPECT_LT(input->joystickDeadZone, 1.0);
  EXPECT_TRUE(zib->pConfig->hasKey(u"ZibInput", u"repeatDelay"));
  EXPECT_NE(logText().find("ZibInput::enumerateCallback(): Joystick initialization failed. Removing joystick..."),
            std::string::npos);

  devices.pads[0].state.rgbButtons[0] = 0x80;
  poll();
  EXPECT_TRUE(input->isKeyPressed(ZibInput::kControllerFirstSlot + 16));
  poll();
  EXPECT_FALSE(input->isKeyPressed(ZibInput::kControllerFirstSlot + 16)) << "pressed once, not every frame";
}

TEST_F(InputTest, ClickWithinOnePollIsPressedThenReleasedThenGone) {
  start();
  mouse(WM_LBUTTONDOWN, 100, 380);
  mouse(WM_LBUTTONUP, 100, 380);
  mouse(WM_MOUSEMOVE, 160, 380);  // after the release, in the same frame: no drag
  EXPECT_EQ(input->inputMode, 1);
  poll();
  EXPECT_TRUE(input->isMouseButtonDown(0));
  EXPECT_TRUE(input->isContactPressed(0));
  EXPECT_EQ(input->getContact(0)->pos, Vector3(100, 100, 0));
  poll();
  EXPECT_FALSE(input->isMouseButtonDown(0));
  EXPECT_TRUE(input->isMouseButtonReleased(0));
  ASSERT_NE(input->getContact(0), nullptr);
  EXPECT_TRUE(input->getContact(0)->bReleased);
  EXPECT_TRUE(input->getContact(0)->bClicked);
  poll();
  EXPECT_EQ(input->getContact(0), nullptr);
  EXPECT_EQ(input->pointerPos, Vector3(160, 100, 0));

  // Buttons past the four are ignored, and nothing stored beside them changes.
  const auto mouseState = [&] {
    return std::tuple(std::to_array(input->mouseButtonState), std::to_array(input->mouseButtonFrame), input->mouseX);
  };
  const auto before = mouseState();
  for (int32_t button : {-1, 4}) input->onMouseButtonDown(button), input->onMouseButtonUp(button);
  EXPECT_EQ(mouseState(), before);

  // A drag of more than 20 window pixels is no click; 20 exactly is not yet one.
  mouse(WM_LBUTTONDOWN, 100, 100);
  poll();
  mouse(WM_MOUSEMOVE, 112, 116);
  poll();
  poll();  // held from here on: the distance counts
  EXPECT_FALSE(input->getContact(0)->bDragged);
  mouse(WM_MOUSEMOVE, 121, 100);
  poll();
  EXPECT_TRUE(input->getContact(0)->bDragged);
  mouse(WM_LBUTTONUP, 121, 100);
  poll();
  EXPECT_TRUE(input->getContact(0)->bReleased);
  EXPECT_FALSE(input->getContact(0)->bClicked);
}

TEST_F(InputTest, PauseRemovesEveryContactAndTheMouseButtons) {
  start();
  mouse(WM_LBUTTONDOWN, 10, 10);
  poll();
  poll();
  ASSERT_TRUE(input->isContactActive(0));
  const std::pair<int32_t, int32_t> otherSteps[] = {{MODE_PAUSED, MODE_FROZEN}, {MODE_FROZEN, MODE_PAUSED}, {MODE_PAUSED, MODE_OK}};
  for (const auto& [from, to] : otherSteps) input->onZIBmodeChange(from, to);
  EXPECT_TRUE(input->isContactActive(0) && input->isMouseButtonDown(0)) << "only the step into pause drops them";
  input->onZIBmodeChange(MODE_OK, MODE_PAUSED);
  EXPECT_EQ(input->getContact(0), nullptr);
  // Released in the background: no up message arrives, and none is needed.
  input->onZIBmodeChange(MODE_PAUSED, MODE_OK);
  poll();
  EXPECT_FALSE(input->isMouseButtonDown(0));
  EXPECT_FALSE(input->isMouseButtonReleased(0));
}

TEST_F(InputTest, TouchPointsFollowTheirIdsAndAReusedIdEndsTheOldContact) {
  start();
  touch(TOUCHEVENTF_DOWN, 7, 400, 240);
  touch(TOUCHEVENTF_DOWN, 8, 600, 240);
  EXPECT_EQ(input->inputMode, 2);
  poll();
  EXPECT_EQ(input->pointerPos, Vector3(400, 240, 0));
  touch(TOUCHEVENTF_MOVE, 7, 420, 140);
  poll();
  EXPECT_EQ(input->pointerPos, Vector3(420, 340, 0));
  EXPECT_EQ(input->pointerDelta, Vector3(20, 100, 0));

  touch(TOUCHEVENTF_DOWN, 7, 10, 10);  // its up never came
  poll();
  EXPECT_TRUE(input->getContact(0)->bReleased);
  EXPECT_EQ(input->getContact(0)->tag, -1);
  EXPECT_EQ(input->findContact(7), input->getContact(2));
  EXPECT_TRUE(input->getContact(2)->bPressed);
  touch(TOUCHEVENTF_UP, 8, 600, 240);
  poll();
  poll();
  EXPECT_EQ(input->contactList.countChildren(), 1u);

  // A synthetic click leaves the others alone.
  input->addMouseContact();
  poll();
  EXPECT_TRUE(input->getContact(1)->bPressed);
  EXPECT_EQ(input->getContact(1)->pos, input->pointerPos);
  poll();
  EXPECT_TRUE(input->getContact(1)->bClicked);
  poll();
  EXPECT_EQ(input->contactList.countChildren(), 1u);
}

TEST_F(InputTest, ShellHandlersFollowTheWindowMessages) {
  start();
  // Two moves in one frame: the previous position is the one before the first.
  mouse(WM_LBUTTONDOWN, 10, 10);
  poll();
  mouse(WM_MOUSEMOVE, 20, 10);
  mouse(WM_MOUSEMOVE, 30, 10);
  EXPECT_EQ(input->getContact(0)->prevRawPos, Vector3(10, 10, 0));
  // The right button's release ends the left button's contact.
  mouse(WM_RBUTTONDOWN, 30, 10);
  mouse(WM_RBUTTONUP, 30, 10);
  poll();
  EXPECT_TRUE(input->getContact(0)->bReleased);
  EXPECT_TRUE(input->isMouseButtonDown(1));

  // One WM_TOUCH of 150 points handles the first 100.
  std::vector<TOUCHINPUT> points(150);
  for (uint32_t i = 0; i < points.size(); ++i) {
    points[i].dwID = i + 1;
    points[i].dwFlags = TOUCHEVENTF_DOWN;
  }
  const LPARAM handle = MakeTouchInputHandle(points.data(), points.size());
  windowProc(window, WM_TOUCH, points.size(), handle);
  EXPECT_NE(input->findContact(100), nullptr);
  EXPECT_EQ(input->findContact(101), nullptr);
  EXPECT_FALSE(GetTouchInputInfo(handle, 1, points.data(), sizeof(TOUCHINPUT))) << "the handle is closed";
}

TEST_F(InputTest, CenteredPointerIsInTouchModeAndTheMouseModeMovesTheSystemCursor) {
  start();
  zib->bRelease = false;
  input->centerPointer();
  EXPECT_EQ(input->pointerPos, Vector3(400, 240, 0));
  EXPECT_EQ(input->inputMode, 2);
  const auto warp = [&] { return std::pair(fakeWindow->warp.x, fakeWindow->warp.y); };
  EXPECT_TRUE(fakeWindow->bCursorShown);
  EXPECT_EQ(warp(), std::pair(-1, -1)) << "touch mode leaves the system cursor alone";
  zib->bRelease = true;  // released, the game draws its own pointer
  input->setInputMode(1);
  EXPECT_FALSE(fakeWindow->bCursorShown);
  EXPECT_EQ(warp(), std::pair(400, 240));
  input->setPointerPosition(Vector3(300, 100, 0));
  EXPECT_EQ(warp(), std::pair(300, 380));
}

TEST_F(InputTest, ContactVelocityFollowsTheLatestMoveAndFadesAfterTenFrames) {
  start();
  mouse(WM_LBUTTONDOWN, 100, 100);
  poll();
  const auto moveAfter = [&](double seconds, int x, int y) {
    platform.clock().advance(seconds);
    mouse(WM_MOUSEMOVE, x, y);
    poll();
    return input->getContact(0)->velocity;
  };
  expectNear(moveAfter(0.1, 150, 120), Vector3(500, -200, 0));  // 50 right and 20 down in 0.1 s
  for (int i = 0; i < 10; ++i) poll();
  EXPECT_NE(input->getContact(0)->velocity, Vector3());
  poll();
  EXPECT_EQ(input->getContact(0)->velocity, Vector3());
  EXPECT_EQ(moveAfter(0.2, 151, 120), Vector3()) << "5 units a second: too slow to count";
  expectNear(moveAfter(0.05, 152, 120), Vector3(20, 0, 0));
}

TEST_F(InputTest, StartUpFailuresAreFatalAndNameTheFailingCall) {
  devices.pads.resize(1);
  const std::pair<const char*, const char*> failures[] = {
      {"Create", "DirectInput8Create(zib->hAppInstance, DIRECTINPUT_VERSION"},
      {"keyboard CreateDevice", "dxInput->CreateDevice(GUID_SysKeyboard, &keyboardDevice, NULL)"},
      {"keyboard SetCooperativeLevel", "keyboardDevice->SetCooperativeLevel(zib->hWindowHandle, DISCL_FOREGROUND"},
      {"keyboard SetDataFormat", "keyboardDevice->SetDataFormat(&c_dfDIKeyboard)"},
      {"EnumDevices", "dxInput->EnumDevices(DI8DEVCLASS_GAMECTRL, enumerateCallbackHelper, this"},
      {"pad CreateDevice", "dxInput->CreateDevice(devInstance->guidInstance, &(joystickDevice[numJoysticks]), NULL)"},
      {"pad SetCooperativeLevel", "joystickDevice[numJoysticks]->SetCooperativeLevel(zib->hWindowHandle, DISCL_"},
      {"pad SetDataFormat", "joystickDevice[numJoysticks]->SetDataFormat(&c_dfDIJoystick)"},
  };
  for (const auto& [call, statement] : failures) {
    devices.failing = call;
    EXPECT_FATAL(ZibInput(), statement);
    // The controllers are set up in the enumeration callback, and reported as such.
    const char* function = std::string_view(call).starts_with("pad") ? "enumerateCallback()" : "ZibInput()";
    EXPECT_FATAL(ZibInput(), std::string("\n Function: ZibInput::") + function + "\n File: ZibInput\n Line: ");
  }
}

// An object that is hit when asked to and records the events it receives.
struct Target : ZibBase {
  bool hitTest() override { return bHit; }
  bool onEvent(ZibEvent* e) override {
    EXPECT_TRUE(e->sender == zib->pFocusTracker && e->tracker == zib->pFocusTracker) << e->code;
    events->push_back({e->code, this, e->extra});
    return true;
  }
  struct Seen {
    int32_t code;
    ZibBase* target;
    ZibBase* extra;
    bool operator==(const Seen&) const = default;
  };
  bool bHit = true;
  std::vector<Seen>* events = nullptr;
};

class FocusTest : public InputTest {
 protected:
  void SetUp() override {
    InputTest::SetUp();
    start();
    tree = new ZibBase();
    for (Target*& t : {std::ref(a), std::ref(b)}) {
      t = new Target();
      t->events = &events;
      tree->appendChild(t);
    }
  }
  void TearDown() override {
    tree->destroy();
    InputTest::TearDown();
  }
  // As Zib::frame: poll, step, then the typed character is gone.
  void frame() {
    poll();
    zib->pFocusTracker->update(tree);
    input->typedChar = 0;
  }
  void click(int x, int y, int upX, int upY) {
    mouse(WM_MOUSEMOVE, x, y);  // a real mouse is there before it presses
    mouse(WM_LBUTTONDOWN, x, y);
    frame();
    mouse(WM_MOUSEMOVE, upX, upY);
    mouse(WM_LBUTTONUP, upX, upY);
    frame();
  }
  std::vector<int32_t> codes() const {
    std::vector<int32_t> out;
    for (const auto& e : events) out.push_back(e.code);
    return out;
  }

  PointerFocusTracker& tracker() { return *zib->pFocusTracker; }
  ZibBase* tree = nullptr;
  Target* a = nullptr;
  Target* b = nullptr;  // above a: picked first
  std::vector<Target::Seen> events;
};

TEST_F(FocusTest, PressMovesTheFocusAReleaseCloseByClicksAndKeysGoToTheFocus) {
  click(100, 100, 101, 100);
  EXPECT_EQ(tracker().getFocus(), b);
  // Gained, move and drag (the pointer arrived with the contact down); click, then the release's move.
  EXPECT_EQ(codes(), (std::vector<int32_t>{3, 7, 5, 4, 7}));
  events.clear();

  hold({DIK_TAB});  // the second pick: a
  click(100, 100, 100, 102);  // 2.0 away: no click
  EXPECT_EQ(tracker().getFocus(), a);
  ASSERT_GE(events.size(), 2u);
  EXPECT_EQ(events[0], (Target::Seen{2, b, a}));
  EXPECT_EQ(events[1], (Target::Seen{3, a, nullptr}));
  EXPECT_EQ(std::ranges::count(codes(), 4), 0);
  events.clear();

  // Turning the wheel between press and release still clicks.
  mouse(WM_LBUTTONDOWN, 100, 102);
  frame();
  windowProc(window, WM_MOUSEWHEEL, MAKEWPARAM(0, 120), 0);
  mouse(WM_LBUTTONUP, 100, 102);
  frame();
  EXPECT_EQ(codes(), (std::vector<int32_t>{4}));

  // Typed characters and repeated keys go to the focus.
  hold({});
  events.clear();
  input->typedChar = 8;
  frame();
  hold({DIK_RETURN});
  frame();
  frame();
  EXPECT_EQ(codes(), (std::vector<int32_t>{6, 6}));
}

TEST_F(FocusTest, FocusLeavesDisabledSkippedAndDyingObjectsAndAPressOnNothing) {
  hold({DIK_TAB});
  click(100, 100, 100, 100);
  ASSERT_EQ(tracker().getFocus(), a);
  events.clear();
  tree->bDisabled = 1;
  frame();
  EXPECT_EQ(tracker().getFocus(), nullptr);
  EXPECT_TRUE(events.empty()) << "the disabled parent takes the focus-lost event; nothing is gained";

  // A press on an object inside a disabled subtree leaves the focus where it was.
  hold({});
  Target* outside = new Target();
  outside->events = &events;
  tracker().setFocus(outside);
  mouse(WM_LBUTTONDOWN, 100, 100);
  poll();
  tracker().update(a);  // a is enabled, its parent is not
  EXPECT_EQ(tracker().getFocus(), outside);
  outside->destroy();
  tree->bDisabled = 0;

  click(100, 100, 100, 100);
  ASSERT_EQ(tracker().getFocus(), b);
  b->bSkip = 1;
  frame();
  EXPECT_EQ(tracker().getFocus(), nullptr);
  b->bSkip = 0;
  click(100, 100, 100, 100);
  events.clear();
  a->bHit = b->bHit = false;  // a press on nothing takes the focus away
  click(100, 100, 100, 100);
  EXPECT_EQ(tracker().getFocus(), nullptr);
  ASSERT_FALSE(events.empty());
  EXPECT_EQ(events.front(), (Target::Seen{2, b, nullptr}));
  tracker().setFocus(b);
  b->destroy();
  b = nullptr;
  EXPECT_EQ(tracker().getFocus(), nullptr);
}

}  // namespace
