// Real input under Xvfb: XTEST key presses and clicks (xdotool) reach the key
// slots and the pointer through the SDL event pump, in a window and in full
// screen at the desktop's mode and at another one. A click makes a contact
// only with the left button; a window placed anew under a still mouse finds
// it where it is. On a menu, Enter presses the button the pointer
// lights, also when the mouse took the pointer back from the keyboard.
#include <SDL.h>

#include <cstdio>
#include <cstdlib>
#include <string>

#include "app/ContextMenu.h"
#include "app/MenuButton.h"
#include "engine/input/TouchContact.h"
#include "graphics/Context.h"
#include "graphics/Texture.h"
#include "platform/Input.h"
#include "DesktopWindowTest.h"

namespace {

class InputWindowTest : public DesktopWindowTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
    ASSERT_NO_FATAL_FAILURE(openWindow(u"InputWindowTest"));
    zib->pZibInput = input = new ZibInput();
    platform.setGraphics(GraphicsBackend::Gl);
    graphics = &makeGraphics();
    ShowWindow(window, SW_SHOWNORMAL);
    present();
    settle();
  }

  void present() {
    zib->pFrameDevice->beginScene();
    zib->pFrameDevice->endScene();
    zib->pFrameDevice->present();
  }
  static void xdotool(const std::string& arguments) {
    ASSERT_EQ(std::system(("xdotool " + arguments).c_str()), 0) << arguments;
  }
  // The X window's id, for xdotool.
  const std::string& xWindow() {
    if (xWindowId.empty()) {
      FILE* pipe = popen("xdotool search --sync --name '^InputWindowTest$' 2>/dev/null", "r");
      char line[64] = {};
      if (pipe && fgets(line, sizeof line, pipe)) xWindowId = std::to_string(std::strtoul(line, nullptr, 10));
      if (pipe) pclose(pipe);
    }
    return xWindowId;
  }
  // Relative to where the X server has the window.
  void moveTo(int clientX, int clientY) {
    ASSERT_FALSE(xWindow().empty());
    xdotool("mousemove --sync --window " + xWindow() + " " + std::to_string(clientX) + " " + std::to_string(clientY));
  }
  // Where logical (x, y) lies in the client area: the back buffer is shown
  // stretched in a window and in proportion in full screen.
  Vector3 clientPointOf(float x, float y) {
    RECT client;
    GetClientRect(window, client);
    const float bufferWidth = static_cast<float>(graphics->backBufferWidth);
    const float bufferHeight = static_cast<float>(graphics->backBufferHeight);
    float scaleX = client.right / bufferWidth, scaleY = client.bottom / bufferHeight, left = 0, top = 0;
    if (graphics->bFullScreen) {
      scaleX = scaleY = std::min(scaleX, scaleY);
      left = (client.right - bufferWidth * scaleX) / 2;
      top = (client.bottom - bufferHeight * scaleY) / 2;
    }
    const float bufferX = graphics->viewportLeft + x / 800.0f * (graphics->viewportRight - graphics->viewportLeft);
    const float bufferY = graphics->viewportBottom + y / 480.0f * (graphics->viewportTop - graphics->viewportBottom);
    return {left + bufferX * scaleX, top + bufferY * scaleY, 0};
  }
  void useMode(bool bFullScreen, int width, int height) {
    ASSERT_TRUE(restoreInMode(*graphics, bFullScreen, width, height));
    // Without a window manager nobody gives a full-screen window the whole
    // screen: do what one would.
    if (bFullScreen) {
      RECT client;
      GetClientRect(window, client);
      xdotool("windowmove --sync " + xWindow() + " 0 0");
      xdotool("windowsize --sync " + xWindow() + " " + std::to_string(client.right) + " " + std::to_string(client.bottom));
    }
    present();
    settle();
  }
  // Lets the X server catch up with the window's placement.
  void settle() { frames(30); }

  ZibGraphics* graphics = nullptr;
  std::string xWindowId;
};

TEST_F(InputWindowTest, RealKeyPressesReachTheSlotsAndTheTypedCharacters) {
  xdotool("windowfocus --sync " + xWindow());  // as a window manager would
  moveTo(200, 120);
  ASSERT_TRUE(frameUntil([&] { return input->inputMode == 1; }));
  xdotool("keydown F9");
  EXPECT_TRUE(frameUntil([&] { return input->isKeyDown(DIK_F9); }));
  xdotool("keyup F9");
  EXPECT_TRUE(frameUntil([&] { return !input->isKeyDown(DIK_F9); }));
  xdotool("key BackSpace");
  EXPECT_TRUE(frameUntil([&] { return input->typedChar == 8; }));
  xdotool("key ctrl+b");
  EXPECT_TRUE(frameUntil([&] { return input->typedChar == 2; }));
}

TEST_F(InputWindowTest, ClicksLandWhereTheUserPointsInEveryMode) {
  struct Mode {
    bool bFullScreen;
    int width, height;
  };
  SDL_Rect bounds;
  SDL_GetDisplayBounds(0, &bounds);
  for (const Mode mode :
       {Mode{false, 800, 480}, Mode{false, 1024, 768}, Mode{true, bounds.w, bounds.h}, Mode{true, 1024, 768}}) {
    SCOPED_TRACE(std::to_string(mode.bFullScreen) + " " + std::to_string(mode.width));
    useMode(mode.bFullScreen, mode.width, mode.height);
    // The window placed anew under a still mouse: the pointer already where a
    // move of the mouse (away and back) finds it, not where it was in the old window.
    const Vector3 placed = input->pointerPos;
    xdotool("mousemove_relative 4 0 mousemove_relative -- -4 0");
    settle();
    EXPECT_NEAR(input->pointerPos.x, placed.x, 2.0);
    EXPECT_NEAR(input->pointerPos.y, placed.y, 2.0);
    for (const Vector3 target : {Vector3(400, 240, 0), Vector3(100, 400, 0), Vector3(700, 50, 0)}) {
      const Vector3 client = clientPointOf(target.x, target.y);
      moveTo(static_cast<int>(client.x), static_cast<int>(client.y));
      xdotool("click 1");
      EXPECT_TRUE(frameUntil([&] { return input->getContact(0) && input->getContact(0)->bClicked; }));
      EXPECT_NEAR(input->pointerPos.x, target.x, 2.0);
      EXPECT_NEAR(input->pointerPos.y, target.y, 2.0);
    }
  }
}

TEST_F(InputWindowTest, EnterPressesTheLitButtonWhereOneJumpOfTheMouseAfterAnArrowPutThePointer) {
  auto* texture = new Texture(100, 40, 0);
  auto* menu = new ContextMenu();
  MenuButton* buttons[2];
  for (int i = 0; i < 2; ++i) {
    buttons[i] = new MenuButton(texture->getSkin(0), texture->getSkin(0), texture->getSkin(0), nullptr, u"");
    buttons[i]->setPosition(i == 0 ? -200 : 200, 0, 0);  // logical x 200 and 600
    menu->addItem(buttons[i]);
  }
  scene = menu;
  xdotool("windowfocus --sync " + xWindow());
  moveTo(400, 400);  // over neither
  ASSERT_TRUE(frameUntil([&] { return input->inputMode == 1; }));
  // The first arrow only brings the pointer onto the focused button, the left one.
  xdotool("keydown Right");
  ASSERT_TRUE(frameUntil([&] { return input->inputMode == 0; }));
  xdotool("keyup Right");
  const Vector3 right = clientPointOf(600, 240);
  moveTo(static_cast<int>(right.x), static_cast<int>(right.y));
  settle();
  EXPECT_NEAR(input->pointerPos.x, 600, 2.0) << "left where the hand put it";
  xdotool("keydown Return");
  EXPECT_TRUE(frameUntil([&] { return buttons[0]->bClicked || buttons[1]->bClicked; }));
  xdotool("keyup Return");
  EXPECT_TRUE(buttons[1]->bClicked && !buttons[0]->bClicked);
  scene = nullptr;
  menu->destroy();
  texture->destroy();
}

}  // namespace
