// A menu of a value selector and a button. An item claims the first contact
// pressed on it and takes a click only when that contact is released over it;
// keyboard navigation clicks through a mouse contact at the pointer. A
// selector's click steps by the side it lands on, a scale stops at its ends
// while a toggle wraps, and left and right step the focused selector where on
// any other item they move the focus. With nothing lit, Enter only lights
// the focused item.
#include "app/MenuSelector.h"

#include <gtest/gtest.h>

#include "app/ContextManager.h"
#include "app/ContextMenu.h"
#include "app/GameInput.h"
#include "engine/AppShell.h"
#include "engine/ResourceManager.h"
#include "engine/Zib.h"
#include "engine/input/ZibInput.h"
#include "frontend/ConfirmScreen.h"
#include "frontend/TitleScreen.h"
#include "graphics/Texture.h"
#include "support/GraphicsFixture.h"

namespace {

class MenuTest : public GraphicsTest {
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
    back = new MenuButton(skin, skin, skin, nullptr, u"Back");
    back->setPosition(100, 0, 0);
    menu->addItem(back);
    frame();
  }
  void TearDown() override {
    menu->destroy();
    texture->destroy();
    GraphicsTest::TearDown();
  }
  // A message at the window pixel of world point (x, y) (800 x 480, y down).
  void mouse(UINT message, float x, float y) {
    windowProc(window, message, 0, MAKELPARAM(static_cast<int>(400 + x), static_cast<int>(240 - y)));
  }
  // Pressed and released over two frames.
  void click(float x, float y) {
    mouse(WM_MOUSEMOVE, x, y);
    mouse(WM_LBUTTONDOWN, x, y);
    frame();
    mouse(WM_LBUTTONUP, x, y);
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
  MenuButton* back = nullptr;
};

TEST_F(MenuTest, ClaimedContactClicksOnlyTheItemItBeganOnAndEndsOver) {
  mouse(WM_MOUSEMOVE, -100, 0);
  mouse(WM_LBUTTONDOWN, -100, 0);
  frame();
  EXPECT_EQ(zib->pZibInput->getContactHandled(), volume);
  EXPECT_EQ(volume->look, MenuButton::kPressed);
  mouse(WM_MOUSEMOVE, 100, 0);  // slid over to the other item and let go there
  frame();
  mouse(WM_LBUTTONUP, 100, 0);
  frame();
  EXPECT_FALSE(volume->bClicked || back->bClicked);
  // Let go just past its edge, too short a move to be a drag: no click either.
  mouse(WM_MOUSEMOVE, -60, 0);
  mouse(WM_LBUTTONDOWN, -60, 0);
  frame();
  mouse(WM_MOUSEMOVE, -45, 0);
  frame();
  mouse(WM_LBUTTONUP, -45, 0);
  frame();
  EXPECT_EQ(volume->index, 1);

  click(100, 5);
  EXPECT_TRUE(back->bClicked);
  frame();
  EXPECT_FALSE(back->bClicked) << "for one tick";

  // Keyboard navigation: the pointer goes onto the selector's middle, a contact is added there.
  zib->pZibInput->setInputMode(0);
  zib->pZibInput->setPointerPosition(Vector3(300, 240, 0));
  zib->pZibInput->addMouseContact();
  frame();  // pressed
  frame();  // released
  EXPECT_EQ(volume->index, 2);
  EXPECT_FALSE(back->bClicked);
}

TEST_F(MenuTest, AClickStepsByItsSideAScaleStopsAtItsEndsAndAToggleWraps) {
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

TEST_F(MenuTest, LeftAndRightStepTheFocusedSelectorAndMoveTheFocusFromAnyOtherItem) {
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

TEST_F(MenuTest, WithNothingLitTheFirstEnterOnTheTitleOrTheQuestionOnlyLightsTheFocusedButton) {
  zib->pResourceManager->addResource(texture->getSkin(0), u"buttonSkin");
  ContextManager manager;
  // Enter, and the frames its click takes to act and a finished screen to go.
  const auto enter = [&] {
    platform.frame(manager, {GameInput::kEnter});
    for (int i = 0; i < 3; ++i) platform.frame(manager);
  };
  // The mouse over empty space (no button there on either screen), then Enter.
  const auto enterOverNothing = [&] {
    mouse(WM_MOUSEMOVE, 0, 60);
    platform.frame(manager);
    enter();
  };
  auto* title = new TitleScreen();
  manager.push(title);
  platform.frame(manager);
  enterOverNothing();
  ASSERT_FALSE(manager.bQuit) << "Quit pressed unseen";
  EXPECT_NE(title->pQuitButton->look, MenuButton::kNormal) << "lit instead";

  // The question Escape asks (unapplied changes): Yes is not taken unseen either.
  title->bEscapeConfirms = 1;
  platform.frame(manager, {GameInput::kEscape});
  auto* question = dynamic_cast<ConfirmScreen*>(manager.getTop());
  ASSERT_NE(question, nullptr);
  enterOverNothing();
  ASSERT_EQ(manager.getTop(), question) << "Yes pressed unseen";
  EXPECT_NE(question->pYesButton->look, MenuButton::kNormal);
  enter();
  EXPECT_TRUE(manager.bQuit) << "the second Enter said Yes";
}

}  // namespace
