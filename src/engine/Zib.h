#pragma once
// The engine root: owns every manager and the engine-wide object list.
#include <array>
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <thread>
#include <unordered_set>
#include <vector>

#include "engine/ClassInfo.h"
#include "engine/ObjectListNode.h"
#include "engine/SystemInfo.h"
#include "engine/ZibTimer.h"

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
class ZibBase;

enum ZibMode : int32_t { MODE_FROZEN = 1, MODE_PAUSED = 2, MODE_OK = 3 };

class Zib {
  ZIB_DECLARE_ROOT_CLASS()
 public:
  // What a frame needs of the graphics device. The graphics manager installs
  // one; without one the device is always ready and draws nothing.
  struct FrameDevice {
    static constexpr int32_t kOk = 0;                                   // D3D_OK
    static constexpr int32_t kDeviceLost = static_cast<int32_t>(0x88760868);
    static constexpr int32_t kDeviceNotReset = static_cast<int32_t>(0x88760869);

    virtual ~FrameDevice() = default;
    // The device's cooperative level: kOk, kDeviceLost, kDeviceNotReset...
    virtual int32_t testCooperativeLevel() = 0;
    // Rebuilds the presentation after a loss or a settings change.
    virtual bool restorePresentation() = 0;
    // BeginScene, then the graphics manager's per-frame set-up.
    virtual void beginScene() = 0;
    virtual void endScene() = 0;
    virtual void present() = 0;
    // The statistics overlay over the finished scene; `savedStats` are the
    // frame's counters from before it drew.
    virtual void drawOverlay(const int32_t* /*savedStats*/) {}
  };

  // The engine-wide object list. It tells the walks of notifyObjects which
  // objects left it while they ran, so a listener may destroy other objects.
  class ObjectList : public ObjectListNode {
   public:
    void removeChild(BasicLink* child) override;

    std::vector<std::unordered_set<const ZibBase*>*> activeWalks;
  };

  // A bare root with no managers: tests and tools add the ones they need.
  // Sets the global `zib`.
  Zib();
  // The engine: every manager and both configuration files (see
  // staticConfigFolder in "engine/EngineConfig.h" for the static one).
  Zib(void* hAppInstance, void* hWindowHandle);
  Zib(const Zib&) = delete;
  Zib& operator=(const Zib&) = delete;
  // The numbered shutdown: deletes the managers that exist, the logger last;
  // clears `zib`.
  virtual ~Zib();

  // One frame for the root Context (may be null).
  void frame(Context* root);
  // Steps zibMode one mode at a time to `requested`, telling every object.
  void changeZIBmode(int32_t requested);
  // The frame timer's last step in seconds.
  double getFrameDelta() const;
  void dumpSystemInfo();
  // Writes defaultLanguage into the user configuration and saves the file.
  void saveDefaultLanguage();
  // Calls `notify` on every object of objectList in list order, passing over
  // those destroyed meanwhile.
  void notifyObjects(const std::function<void(ZibBase*)>& notify);

  // The short name of a Windows version; "<unknown>" for none of the known ones.
  static std::u16string windowsVersionName(uint32_t major, uint32_t minor, uint32_t platformId);
  // The leading "major.minor.build" numbers of a kernel release such as
  // "6.1.0-18-amd64"; a missing or unreadable number is 0.
  static std::array<uint32_t, 3> releaseNumbers(std::string_view release);

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
  ZibTimer frameTimer;
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
  static constexpr int32_t kMaxHq2x = 4;  // the largest graphics scaling mode taken
  bool bNoPixelAlignment = true;
  bool bEnableDelayedLoad = true;
  bool bHasFocus = true;
  bool bRestartPresentation = false;
  int32_t frameCounter = 0;
  // Frames rendered, ticking or not: what the font caches age their strips by.
  int32_t renderedFrames = 0;
  int32_t frameStats[9] = {};
  int32_t statHistory[5][512] = {};
  ObjectList objectList;
  double lastFrameTime = 0;
  double totalFrameTime = 0;
  Context* currentContext = nullptr;
  int32_t zibMode = MODE_OK;
  // Frame phase stamps in engine seconds: tick start, tick clock, after the
  // root tick, after the console tick, render end, after EndScene, after
  // present, frame end; and the time the overlay took to draw.
  double phaseTime[8] = {};
  double overlayTime = 0;
  // Not owning; null: always ready, draws nothing.
  FrameDevice* pFrameDevice = nullptr;
  // The thread that built the root; the fatal report touches the display only from it.
  std::thread::id mainThreadId;
};

// The one engine root; valid from the start of its constructor to the end of
// its destructor.
extern Zib* zib;
