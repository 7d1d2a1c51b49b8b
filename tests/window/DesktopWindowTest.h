#pragma once
// A real 800 x 480 desktop window for the engine (under Xvfb) with its own
// window procedure, and frames run as the frame loop runs them.
#include <chrono>
#include <functional>
#include <thread>

#include "engine/AppShell.h"
#include "engine/input/ZibInput.h"
#include "engine/Zib.h"
#include "graphics/Context.h"
#include "graphics/ZibGraphics.h"
#include "platform/null/NullDirect3D.h"
#include "program/Backends.h"
#include "support/GraphicsFixture.h"

class DesktopWindowTest : public GraphicsTest {
 protected:
  void openWindow(const char16_t* title) {
    configureWindowed800x480();
    platform.setWindow(makeDesktopWindowBackend());
    window = CreateWindow(title, windowProc, 0, 0, 800, 480);
    ASSERT_NE(window, nullptr);
    zib->hWindowHandle = window;
    bTouchAvailable = RegisterTouchWindow(window, TWF_WANTPALM);
  }
  void TearDown() override {
    delete input;
    zib->pZibInput = input = nullptr;
    delete zib->pZibGraphics;  // before its window
    zib->pZibGraphics = nullptr;
    if (window) DestroyWindow(window);
    bTouchAvailable = false;
    GraphicsTest::TearDown();
  }

  // Dispatches what has arrived, then polls and ticks `scene` as a frame does.
  void frame() {
    MSG message;
    while (PeekMessage(message, PM_REMOVE)) DispatchMessage(message);
    ++zib->frameCounter;
    input->update();
    if (scene) scene->frameTick(0, 0);
  }
  // Frames until `done` holds, for at most five seconds: X delivers on its own time.
  template <class Condition>
  bool frameUntil(Condition done) {
    for (int i = 0; i < 500; ++i) {
      frame();
      if (done()) return true;
      std::this_thread::sleep_for(std::chrono::milliseconds(10));
    }
    return false;
  }
  void frames(int count) {
    frameUntil([&] { return --count < 0; });
  }

  HWND window = nullptr;
  ZibInput* input = nullptr;
  Context* scene = nullptr;  // not owned
};

// A scene whose own drawing follows its objects'.
struct Scene : Context {
  void renderContents() override {
    Context::renderContents();
    if (draw) draw();
  }
  std::function<void()> draw;
};

// Xvfb offers only its screen size: the mode list comes from the null adapter, the device stays OpenGL.
inline bool restoreInMode(ZibGraphics& graphics, bool bFullScreen, int width, int height) {
  IDirect3D9* gl = graphics.dxD3D;
  graphics.dxD3D = new NullDirect3D();
  graphics.bFullScreen = bFullScreen;
  graphics.videoModeWidth = width;
  graphics.videoModeHeight = height;
  const bool bRestored = graphics.restorePresentation(true);
  graphics.dxD3D->Release();
  graphics.dxD3D = gl;
  return bRestored;
}
