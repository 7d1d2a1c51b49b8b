#pragma once
// Test support: the bare engine of EngineTest with a configuration and the
// graphics manager, by default on the null device, which needs no display and
// writes down the calls that change what would be drawn.
#include <memory>
#include <string>
#include <vector>

#include "support/EngineFixture.h"
#include "support/TestPlatform.h"

class Context;
class MemoryImageFile;
class NullDevice;
class ZibGraphics;
struct Vector3;

// Each coordinate within 1e-3.
void expectNear(const Vector3& actual, const Vector3& expected);

class GraphicsTest : public EngineTest {
 protected:
  // Puts back the graphics backend (and whatever else a test replaces) after TearDown.
  TestPlatform platform;

  // The null backend on its stock adapter (640x480 to 1920x1080, desktop
  // 1920x1080, work area 1920x1040), an empty configuration and the default
  // text language (put back after the test too); no graphics manager yet.
  void SetUp() override;
  void TearDown() override;

  // Creates the graphics manager from the configuration so far. The fatal
  // reports tests expect leave its device alone: no crash screenshot, no release.
  static ZibGraphics& makeGraphics();
  // Configures a windowed 800 x 480 back buffer: one device pixel per logical pixel.
  static void configureWindowed800x480();
  // The OpenGL backend and a real desktop window of 800 x 480 for the engine
  // (zib->hWindowHandle), configured windowed at that size; false without a display
  // (a failure too where one was named).
  bool openGlWindow(const char16_t* title);
  // A fake 800 x 480 window with the graphics and input managers, as a menu
  // screen has them; no keys held.
  HWND openFakeMenuWindow();
  // One frame as the frame loop draws it, the back buffer read before it is presented.
  static std::unique_ptr<MemoryImageFile> drawFrame(Context& root);
  static NullDevice& device();
  // The recorded calls that start with `from`; empties the record.
  static std::vector<std::string> takeCalls(const char* from = "");
};
