// A value selector in a menu: a click steps by the side it lands on, a scale
// stops at its ends while a toggle wraps, and left and right step the
// focused selector where on any other item they move the focus.
#include "app/MenuSelector.h"

#include <gtest/gtest.h>

#include "app/ContextMenu.h"
#include "app/GameInput.h"
#include "engine/AppShell.h"
#include "engine/Zib.h"
#include "engine/input/ZibInput.h"
#include "graphics/Texture.h"
#include "support/FakeWindow.h"
#include "support/GraphicsFixture.h"

namespace {

class MenuSelectorTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    window = openFakeMenuWindow();
    zib->pZibInput->centerPointer();  // touch mode, as the engine starts
    texture = new Texture(100, 40, 0);
    Skin* skin = texture->getSkin(0);
    menu = new ContextMenu();
    volume = new MenuSelector(skin, skin, skin, nullptr, u"Volume", {u"0", u"1", u"2"}, 1, false);
    volume->setPosition(-100, 0, 0);
    menu->addItem(volume);
    auto* button = new MenuButton(skin, skin, skin, nullptr, u"Back");
    button->setPosition(100, 0, 0);
    menu->addItem(button);
    frame();
  }
  void TearDown() override {
    menu->destroy();
    texture->destroy();
    delete zib->pZibInput;
    zib->pZibInput = nullptr;
    GraphicsTest::TearDown();
  }
  // A click at world point (x, y) of the 800 x 480 window, pressed and released over two frames.
  void click(float x, float y) {
    const LPARAM at = MAKELPARAM(static_cast<int>(400 + x), static_cast<int>(240 - y));
    windowProc(window, WM_MOUSEMOVE, 0, at);
    windowProc(window, WM_LBUTTONDOWN, 0, at);
    frame();
    windowProc(window, WM_LBUTTONUP, 0, at);
    frame();
  }
  void frame(std::initializer_list<uint8_t> keys = {}) { platform.frame(*menu, keys); }
  // A key pressed for one frame and let go in the next.
  void tap(uint8_t key) {
    frame({key});
    frame();
  }

  HWND window = nullptr;
  Texture* texture = nullptr;
  ContextMenu* menu = nullptr;
  MenuSelector* volume = nullptr;
};

TEST_F(MenuSelectorTest, AClickStepsByItsSideAScaleStopsAtItsEndsAndAToggleWraps) {
  click(-80, 0);  // right of the middle
  EXPECT_EQ(volume->index, 2);
  EXPECT_EQ(volume->label, u"2");
  click(-100, 0);  // the middle, where a keyboard's click lands: on, but this is the end
  EXPECT_EQ(volume->index, 2);
  for (int i = 0; i < 3; ++i) click(-140, 0);
  EXPECT_EQ(volume->index, 0) << "stopped at the first value";

  volume->bWraps = true;
  volume->step(-1);
  EXPECT_EQ(volume->index, 2);
  EXPECT_TRUE(volume->bChanged);
  frame();
  EXPECT_FALSE(volume->bChanged) << "for one tick";
  volume->step(1);
  EXPECT_EQ(volume->index, 0);
}

TEST_F(MenuSelectorTest, LeftAndRightStepTheFocusedSelectorAndMoveTheFocusFromAnyOtherItem) {
  tap(GameInput::kRight);  // the first key only brings the pointer onto the focused item
  EXPECT_EQ(zib->pZibInput->inputMode, 0);
  EXPECT_EQ(volume->index, 1);
  tap(GameInput::kRight);
  EXPECT_EQ(volume->index, 2);
  tap(GameInput::kLeft);
  tap(GameInput::kLeft);
  EXPECT_EQ(volume->index, 0);
  EXPECT_EQ(menu->focusedItem, 0);

  tap(GameInput::kDown);
  EXPECT_EQ(menu->focusedItem, 1);
  tap(GameInput::kRight);  // on a button: moves on, round to the selector
  EXPECT_EQ(menu->focusedItem, 0);
  EXPECT_EQ(volume->index, 0);
  tap(GameInput::kEnter);  // clicks the selector's middle
  frame();
  EXPECT_EQ(volume->index, 1);
}

}  // namespace
