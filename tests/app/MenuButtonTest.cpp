// The menu-widget contract: a button claims the first contact pressed on it
// and takes a click only when that contact is released over it; keyboard
// navigation clicks through a mouse contact at the pointer.
#include "app/MenuButton.h"

#include <gtest/gtest.h>

#include "engine/AppShell.h"
#include "engine/Zib.h"
#include "engine/input/TouchContact.h"
#include "engine/input/ZibInput.h"
#include "graphics/Context.h"
#include "graphics/Texture.h"
#include "support/FakeWindow.h"
#include "support/GraphicsFixture.h"

namespace {

class MenuButtonTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    window = openFakeMenuWindow();
    texture = new Texture(100, 40, 0);
    screen = new Context();
    for (float x : {-100.0f, 100.0f}) {
      auto* button = new MenuButton(texture->getSkin(0), texture->getSkin(0), texture->getSkin(0), nullptr, u"");
      button->setPosition(x, 0, 0);
      screen->appendChild(button);
      (x < 0 ? left : right) = button;
    }
    frame();
  }
  void TearDown() override {
    screen->destroy();
    texture->destroy();
    delete zib->pZibInput;
    zib->pZibInput = nullptr;
    GraphicsTest::TearDown();
  }
  // A message at the window pixel of world point (x, y) (800 x 480, y down).
  void mouse(UINT message, float x, float y) {
    windowProc(window, message, 0, MAKELPARAM(static_cast<int>(400 + x), static_cast<int>(240 - y)));
  }
  void frame() { platform.frame(*screen); }

  HWND window = nullptr;
  Texture* texture = nullptr;
  Context* screen = nullptr;
  MenuButton* left = nullptr;
  MenuButton* right = nullptr;
};

TEST_F(MenuButtonTest, ClaimedContactClicksOnlyTheButtonItBeganOnAndEndsOver) {
  mouse(WM_MOUSEMOVE, -100, 0);
  mouse(WM_LBUTTONDOWN, -100, 0);
  frame();
  EXPECT_EQ(zib->pZibInput->getContactHandled(), left);
  EXPECT_EQ(left->look, MenuButton::kPressed);
  mouse(WM_MOUSEMOVE, 100, 0);  // slid over to the other button and let go there
  frame();
  mouse(WM_LBUTTONUP, 100, 0);
  frame();
  EXPECT_FALSE(left->bClicked || right->bClicked);

  mouse(WM_LBUTTONDOWN, 100, 5);
  frame();
  mouse(WM_LBUTTONUP, 100, 5);
  frame();
  EXPECT_TRUE(right->bClicked);
  frame();
  EXPECT_FALSE(right->bClicked) << "for one tick";

  // Keyboard navigation: the pointer goes onto the button, a contact is added there.
  zib->pZibInput->setInputMode(0);
  zib->pZibInput->setPointerPosition(Vector3(300, 240, 0));
  zib->pZibInput->addMouseContact();
  frame();  // pressed
  frame();  // released
  EXPECT_TRUE(left->bClicked);
  EXPECT_FALSE(right->bClicked);
}

}  // namespace
