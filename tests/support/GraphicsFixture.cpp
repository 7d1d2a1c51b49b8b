#include "support/GraphicsFixture.h"

#include "engine/AppShell.h"
#include "engine/input/ZibInput.h"
#include "support/FakeWindow.h"
#include "engine/ByteBuffer.h"
#include "engine/ErrorManager.h"
#include "engine/MemoryIniFile.h"
#include "base/Vector3.h"
#include "engine/Zib.h"
#include "graphics/Context.h"
#include "graphics/MemoryImageFile.h"
#include "graphics/ZibGraphics.h"
#include "graphics/text/TextLanguage.h"
#include "platform/Window.h"
#include "program/Backends.h"
#include "support/QuietGameModules.h"
#include "platform/null/NullDevice.h"
#include "platform/null/NullDirect3D.h"

void GraphicsTest::SetUp() {
  EngineTest::SetUp();
  platform.setGraphics(GraphicsBackend::Null);
  zib->pConfig = new MemoryIniFile(ByteBuffer());
  TextLanguage::current = TextLanguage();
}

void GraphicsTest::TearDown() {
  installGameModules();
  delete zib->pZibGraphics;
  zib->pZibGraphics = nullptr;
  TextLanguage::current = TextLanguage();
  EngineTest::TearDown();
}

ZibGraphics& GraphicsTest::makeGraphics() {
  static QuietGameModules quiet;
  setZibModules(&quiet);
  zib->pZibGraphics = new ZibGraphics();
  return *zib->pZibGraphics;
}

void GraphicsTest::configureWindowed800x480() {
  zib->pConfig->setBool(false, u"ZibGraphics", u"bFullScreen");
  zib->pConfig->setInt(800, u"ZibGraphics", u"videoModeWidth");
}

bool GraphicsTest::openGlWindow(const char16_t* title) {
  platform.setGraphics(GraphicsBackend::Gl);
  platform.setWindow(makeDesktopWindowBackend());
  configureWindowed800x480();
  std::u16string error;
  zib->hWindowHandle = CreateWindow(title, DefWindowProc, 0, 0, 800, 480, &error);
  if (!zib->hWindowHandle) failIfDisplayNamed(error);
  return zib->hWindowHandle != nullptr;
}

HWND GraphicsTest::openFakeMenuWindow() {
  platform.holdKeys({});
  platform.setWindow(std::make_unique<FakeWindow>());
  zib->hWindowHandle = CreateWindow(u"Skerrion 2", windowProc, 0, 0, 800, 480);
  configureWindowed800x480();
  makeGraphics();
  zib->pZibInput = new ZibInput();
  return static_cast<HWND>(zib->hWindowHandle);
}

std::unique_ptr<MemoryImageFile> GraphicsTest::drawFrame(Context& root) {
  zib->pFrameDevice->beginScene();
  root.frameRender();
  std::unique_ptr<MemoryImageFile> image(zib->pZibGraphics->captureBackBuffer());
  zib->pFrameDevice->endScene();
  zib->pFrameDevice->present();
  return image;
}

NullDevice& GraphicsTest::device() { return *static_cast<NullDevice*>(zib->pZibGraphics->dxDevice); }

std::vector<std::string> GraphicsTest::takeCalls(const char* from) {
  std::vector<std::string> calls;
  for (const std::string& call : device().calls)
    if (call.starts_with(from)) calls.push_back(call);
  device().calls.clear();
  return calls;
}

void expectNear(const Vector3& actual, const Vector3& expected) {
  EXPECT_NEAR(actual.x, expected.x, 1e-3);
  EXPECT_NEAR(actual.y, expected.y, 1e-3);
  EXPECT_NEAR(actual.z, expected.z, 1e-3);
}
