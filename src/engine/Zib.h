#pragma once
// The engine root: owns every manager and the engine-wide object list.
#include <cstdint>
#include <string>

#include "engine/ClassInfo.h"
#include "engine/ObjectListNode.h"

class Logger;
class MemoryIniFile;
class ErrorManager;
class ZibInput;
class ZibGraphics;
class ZibAudio;
class ZibNetwork;
class FileManager;
class ResourceManager;
class TimeKeeper;
class Console;
class FontGDI;
class PointerFocusTracker;
class Language;
class Context;

enum ZibMode : int32_t { MODE_FROZEN = 1, MODE_PAUSED = 2, MODE_OK = 3 };

class Zib {
  ZIB_DECLARE_ROOT_CLASS()
 public:
  // A bare root with no managers: tests and tools add the ones they need.
  // Sets the global `zib`.
  Zib();
  Zib(const Zib&) = delete;
  Zib& operator=(const Zib&) = delete;
  // Deletes the managers that exist in the shutdown order, the logger last;
  // clears `zib`.
  virtual ~Zib();

  void* hAppInstance = nullptr;
  void* hWindowHandle = nullptr;
  Logger* pLogger = nullptr;
  MemoryIniFile* pConfig = nullptr;
  ErrorManager* pErrorManager = nullptr;
  ZibInput* pZibInput = nullptr;
  ZibGraphics* pZibGraphics = nullptr;
  ZibAudio* pZibAudio = nullptr;
  ZibNetwork* pZibNetwork = nullptr;
  FileManager* pFileManager = nullptr;
  ResourceManager* pResourceManager = nullptr;
  TimeKeeper* pTimeKeeper = nullptr;
  Console* pConsole = nullptr;
  FontGDI* pDefaultFont = nullptr;
  PointerFocusTracker* pFocusTracker = nullptr;
  Language* pLanguage = nullptr;
  bool bRelease = true;
  int32_t debugLevel = 0;
  std::u16string osName = u"<unknown>";
  int32_t defaultLanguage = -2;
  bool bTickWhilePaused = false;
  double maxFrameDelta = 0.05;
  double currentFps = 0;
  bool bShuttingDown = false;
  int32_t singleLanguage = 0;
  std::u16string languageMask;
  bool bHoliday = false;
  int32_t ditherDepth = 0;
  int32_t hq2x = 0;
  bool bNoPixelAlignment = true;
  bool bEnableDelayedLoad = true;
  bool bHasFocus = true;
  bool bRestartPresentation = false;
  int32_t frameCounter = 0;
  int32_t frameStats[9] = {};
  int32_t statHistory[5][512] = {};
  ObjectListNode objectList;
  double lastFrameTime = 0;
  double totalFrameTime = 0;
  Context* currentContext = nullptr;
  int32_t zibMode = MODE_OK;
};

// The one engine root; valid from the start of its constructor to the end of
// its destructor.
extern Zib* zib;
