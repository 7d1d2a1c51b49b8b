#include "support/WindowedEngine.h"

#include "engine/ByteBuffer.h"
#include "engine/ErrorManager.h"
#include "engine/Logger.h"
#include "engine/MemoryIniFile.h"
#include "engine/ResourceManager.h"
#include "engine/Zib.h"
#include "graphics/ZibGraphics.h"
#include "platform/Window.h"
#include "program/Backends.h"

WindowedEngine::WindowedEngine(int width, int height) : width(width), height(height) {
  setWindowBackend(makeDesktopWindowBackend());
  root = std::make_unique<Zib>();
  zib->pLogger = new Logger();
  zib->pErrorManager = new ErrorManager();
  zib->pResourceManager = new ResourceManager();
  zib->pConfig = new MemoryIniFile(ByteBuffer());
  zib->pConfig->setInt(width, u"ZibGraphics", u"videoModeWidth");
  zib->pConfig->setInt(height, u"ZibGraphics", u"videoModeHeight");
  zib->pConfig->setBool(false, u"ZibGraphics", u"bFullScreen");
  zib->pConfig->setBool(false, u"ZibGraphics", u"bUseVSync");
}

WindowedEngine::~WindowedEngine() {
  delete zib->pZibGraphics;  // before its window
  zib->pZibGraphics = nullptr;
  if (zib->hWindowHandle) DestroyWindow(static_cast<HWND>(zib->hWindowHandle));
  root.reset();
  setWindowBackend(nullptr);
}

MemoryIniFile& WindowedEngine::config() { return *zib->pConfig; }

bool WindowedEngine::open(const char16_t* title) {
  zib->hWindowHandle = CreateWindow(title, DefWindowProc, 0, 0, width, height);
  if (!zib->hWindowHandle) return false;
  zib->pZibGraphics = new ZibGraphics();
  return true;
}
