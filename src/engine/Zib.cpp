#include "engine/Zib.h"

#include <algorithm>
#include <bit>
#include <ctime>
#include <memory>
#include <unordered_map>

#include "engine/AppPaths.h"
#include "engine/EngineConfig.h"
#include "engine/ErrorManager.h"
#include "engine/FileManager.h"
#include "engine/Logger.h"
#include "engine/MemoryIniFile.h"
#include "engine/ResourceManager.h"
#include "engine/SystemInfo.h"
#include "base/StringUtils.h"
#include "engine/TimeKeeper.h"
#include "engine/ZibModules.h"
#include "engine/ZibProcessEntry.h"
#include "engine/audio/Sound.h"
#include "engine/audio/SoundStream.h"
#include "engine/audio/ZibAudio.h"
#include "platform/Audio.h"
#include "engine/input/PointerFocusTracker.h"
#include "engine/input/ZibInput.h"
#include "engine/net/ZibNetwork.h"
#include "platform/Process.h"
#include "platform/System.h"
#include "platform/Timers.h"

ZIB_DEFINE_ROOT_CLASS(Zib, nullptr);

Zib* zib = nullptr;

namespace {

template <class T>
void deleteMember(T*& member) {
  delete member;
  member = nullptr;  // later steps see it gone
}

// Keeps a walk's record of departed objects registered while the walk runs.
class WalkRegistration {
 public:
  WalkRegistration(Zib::ObjectList& list, std::unordered_set<const ZibBase*>& gone) : list(list), gone(gone) {
    list.activeWalks.push_back(&gone);
  }
  ~WalkRegistration() { std::erase(list.activeWalks, &gone); }
  WalkRegistration(const WalkRegistration&) = delete;
  WalkRegistration& operator=(const WalkRegistration&) = delete;

 private:
  Zib::ObjectList& list;
  std::unordered_set<const ZibBase*>& gone;
};

}  // namespace

void Zib::ObjectList::removeChild(BasicLink* child) {
  ObjectListNode::removeChild(child);
  for (auto* gone : activeWalks) gone->insert(static_cast<ObjectListNode*>(child)->owner);
}

Zib::Zib() : mainThreadId(std::this_thread::get_id()) {
  // Set before any manager exists: every later constructor reaches the root through it.
  zib = this;
}

Zib::Zib(void* hAppInstance, void* hWindowHandle) : Zib() {
  this->hAppInstance = hAppInstance;
  this->hWindowHandle = hWindowHandle;
  // Whole seconds since the system started.
  seedRandom(timeGetTime() / 1000);

  pLogger = new Logger();
  ZIB_LOG(u"Zib engine of %s starting.", applicationName());
  ZIB_LOG(u"Version: ZibZDX9 build %s %s", fromUtf8(__TIME__), fromUtf8(__DATE__));
  dumpSystemInfo();

  pErrorManager = new ErrorManager();
  pTimeKeeper = new TimeKeeper();
  pFileManager = new FileManager();

  // Both configuration files live on the disk, never in an archive.
  pFileManager->bForceDisk = true;
  const std::u16string staticPath = getStaticConfigFilePath();
  pFileManager->verifyFile(staticPath);
  MemoryIniFile staticConfig(staticPath);
  singleLanguage = staticConfig.getInt(u"Language", u"singleLanguage");
  bHoliday = staticConfig.getBool(u"Edition", u"bHoliday");
  ditherDepth = staticConfig.getInt(u"Graphics", u"ditherDepth");
  hq2x = staticConfig.getInt(u"Graphics", u"hq2x");
  // Texture and font sizes are multiplied by the scaling mode: a value past
  // the few modes there are would overflow them.
  if (hq2x < 0 || hq2x > kMaxHq2x) {
    ZIB_LOG(u"HQ2X %d is out of range (0 to %d), using 1.", hq2x, kMaxHq2x);
    hq2x = 1;
  }
  languageMask = staticConfig.getString(u"Language", u"languageMask");
  pFileManager->bForceDisk = false;
  ZIB_LOG(u"HQ2X: %d", hq2x);

  pFileManager->bForceDisk = true;
  pConfig = new MemoryIniFile(getConfigFilePath());
  pFileManager->bForceDisk = false;
  // A missing key gets its default first, so that the saved file holds every key.
  const std::u16string section = classInfo.getName();
  const auto readInt = [&](const char16_t* key, int32_t fallback) {
    if (!pConfig->hasKey(section, key)) pConfig->setInt(fallback, section, key);
    return pConfig->getInt(section, key);
  };
  const auto readBool = [&](const char16_t* key, bool fallback) {
    if (!pConfig->hasKey(section, key)) pConfig->setBool(fallback, section, key);
    return pConfig->getBool(section, key);
  };
  if (!pConfig->hasKey(section, u"warning"))
    pConfig->setString(section, u"warning", u"Do NOT modify this file unless you are explicitly instructed to do so!");
  pConfig->getString(section, u"warning");
  debugLevel = readInt(u"debugLevel", 0);
  bRelease = readInt(u"debugCode", 1) != 40917;
  if (bRelease) debugLevel = 0;
  defaultLanguage = readInt(u"defaultLanguage", -2);
  bTickWhilePaused = readBool(u"bTickWhilePaused", false);
  bEnableDelayedLoad = readBool(u"bEnableDelayedLoad", true);

  pResourceManager = new ResourceManager();
  pFocusTracker = new PointerFocusTracker();
  pZibInput = new ZibInput();
  zibModules().startGraphics(*this);
  pZibInput->centerPointer();  // on the screen the graphics manager has just sized
  pZibAudio = new ZibAudio();
  zibModules().startDefaultFont(*this);
  zibModules().startConsole(*this);
  pZibNetwork = new ZibNetwork();
  zibModules().startLanguage(*this);

  frameTimer.start(0.001);
  ZIB_LOG(u"Started.");
}

Zib::~Zib() {
  ZIB_LOG(u"Initiating shutdown...");
  bShuttingDown = true;
  if (frameCounter > 0) ZIB_LOG(u"Rendered %d frames, avg=%.1lfms.", frameCounter, totalFrameTime * 1000 / frameCounter);
  saveDefaultLanguage();

  ZIB_LOG(u"1...");
  zibModules().stopLanguage(*this);
  ZIB_LOG(u"2...");
  deleteMember(pZibNetwork);
  ZIB_LOG(u"3...");
  zibModules().stopConsole(*this);
  ZIB_LOG(u"4...");
  zibModules().stopDefaultFont(*this);
  ZIB_LOG(u"5...");
  deleteMember(pZibAudio);
  ZIB_LOG(u"6...");
  zibModules().stopGraphics(*this);
  ZIB_LOG(u"7...");
  deleteMember(pZibInput);
  ZIB_LOG(u"8...");
  deleteMember(pFocusTracker);
  ZIB_LOG(u"9...");
  deleteMember(pResourceManager);
  ZIB_LOG(u"10...");
  deleteMember(pConfig);
  ZIB_LOG(u"11...");
  deleteMember(pFileManager);
  ZIB_LOG(u"12...");
  deleteMember(pTimeKeeper);
  ZIB_LOG(u"13...");
  deleteMember(pErrorManager);
  ZIB_LOG(u"14...");

  if (!bRelease) {
    std::unordered_map<const BasicLink*, int32_t> positions;
    for (BasicLink* node = objectList.firstChild; node; node = node->next)
      positions.emplace(static_cast<ObjectListNode*>(node)->owner, static_cast<int32_t>(positions.size()));
    ZIB_LOG(u"Objects still allocated (memory leaks?): %d", static_cast<int32_t>(positions.size()));
    int32_t index = 0;
    for (BasicLink* node = objectList.firstChild; node; node = node->next) {
      const ZibBase* object = static_cast<ObjectListNode*>(node)->owner;
      std::u16string parentText = u"--";
      if (object->parent) {
        const auto found = positions.find(object->parent);
        parentText = found != positions.end() ? formatString(u"parent=[%d]", found->second) : u"parent=***FREED***";
      }
      ZIB_LOG(u"%8d. %s\t\t\t(uid=%d %s)", index++, object->getClass()->getName(), object->objectUID, parentText);
    }
  }
  ZIB_LOG(u"Done. Clean exit.");
  deleteMember(pLogger);
  // objectList forgets the objects still listed; frameTimer closes its event.
  zib = nullptr;
}

void Zib::dumpSystemInfo() {
  // The running kernel, named and numbered from its release. It is no Windows
  // version, so no row of the Windows table names it and no platform id line
  // is written.
  SystemVersion system;
  const bool known = getSystemVersion(system);
  const std::array<uint32_t, 3> numbers = known ? releaseNumbers(toUtf8(system.release)) : std::array<uint32_t, 3>{};
  if (known) osName = system.name + u' ' + system.release;
  ZIB_LOG(u"Operating system version : %s", osName);
  ZIB_LOG(u"dwMajorVersion: %08x", numbers[0]);
  ZIB_LOG(u"dwMinorVersion: %08x", numbers[1]);
  ZIB_LOG(u"dwBuildNumber: %08x", numbers[2]);
  // The running system as one line: name, release, version and machine.
  ZIB_LOG(u"szCSDVersion: %s", known ? system.name + u' ' + system.release + u' ' + system.version + u' ' + system.machine
                                     : std::u16string());

  const MemoryStatus memory = getMemoryStatus();
  ZIB_LOG(u"Memory information:");
  ZIB_LOG(u"dwMemoryLoad: %d", memory.memoryLoad);
  // 64-bit counts: a 64-bit address space in kilobytes does not fit 32 bits.
  ZIB_LOG(u"dwTotalPhys: %lldK", memory.totalPhys >> 10);
  ZIB_LOG(u"dwAvailPhys: %lldK", memory.availPhys >> 10);
  ZIB_LOG(u"dwTotalPageFile: %lldK", memory.totalPageFile >> 10);
  ZIB_LOG(u"dwAvailPageFile: %lldK", memory.availPageFile >> 10);
  ZIB_LOG(u"dwTotalVirtual: %lldK", memory.totalVirtual >> 10);
  ZIB_LOG(u"dwAvailVirtual: %lldK", memory.availVirtual >> 10);

  const std::vector<ProcessEntry> processes = listProcesses();
  if (processes.empty()) return;  // no snapshot: no tree
  ZIB_LOG(u"Process tree:");
  const auto root = std::make_unique<ZibProcessEntry>();
  for (const ProcessEntry& process : processes) root->insert(new ZibProcessEntry(process));
  root->dump(u"");
}

std::u16string Zib::windowsVersionName(uint32_t major, uint32_t minor, uint32_t platformId) {
  struct Row {
    uint32_t major, minor;
    int64_t platformId;  // -1: any
    const char16_t* name;
  };
  static constexpr Row kRows[] = {
      {4, 0, 1, u"Windows95"},     {4, 10, -1, u"Windows98"},   {4, 90, -1, u"WindowsMe"},
      {3, 51, -1, u"WindowsNT351"}, {4, 0, 2, u"WindowsNT40"},  {5, 0, -1, u"Windows2000"},
      {5, 1, -1, u"WindowsXP"},    {5, 2, -1, u"Windows2003"}, {6, 0, -1, u"WindowsVista"},
      {6, 1, -1, u"Windows7"},     {6, 2, -1, u"Windows8"},    {6, 3, -1, u"Windows81"},
      {10, 0, -1, u"Windows10"},
  };
  for (const Row& row : kRows)
    if (row.major == major && row.minor == minor && (row.platformId < 0 || row.platformId == platformId))
      return row.name;
  return u"<unknown>";
}

std::array<uint32_t, 3> Zib::releaseNumbers(std::string_view release) {
  std::array<uint32_t, 3> numbers{};
  size_t at = 0;
  for (uint32_t& number : numbers) {
    uint64_t value = 0;
    bool digits = false;
    while (at < release.size() && release[at] >= '0' && release[at] <= '9') {
      value = std::min<uint64_t>(value * 10 + static_cast<uint64_t>(release[at++] - '0'), UINT32_MAX);
      digits = true;
    }
    if (!digits) break;
    number = static_cast<uint32_t>(value);
    if (at >= release.size() || release[at] != '.') break;
    ++at;
  }
  return numbers;
}

void Zib::saveDefaultLanguage() {
  if (pZibGraphics) zibModules().saveGraphicsSettings(*this);
  if (!pConfig) return;
  pConfig->setInt(defaultLanguage, classInfo.getName(), u"defaultLanguage");
  if (const WriteResult result = pConfig->save(); !result.ok())
    ZIB_LOG(u"Could not save %s: %s", result.file, result.reason());
}

void Zib::notifyObjects(const std::function<void(ZibBase*)>& notify) {
  std::vector<ZibBase*> snapshot;
  for (BasicLink* node = objectList.firstChild; node; node = node->next)
    snapshot.push_back(static_cast<ObjectListNode*>(node)->owner);
  std::unordered_set<const ZibBase*> gone;
  const WalkRegistration registration(objectList, gone);
  for (ZibBase* object : snapshot)
    if (!gone.contains(object)) notify(object);
}

void Zib::changeZIBmode(int32_t requested) {
  ZIB_LOG(u"Change request from %d to %d (t=%.3lf).", zibMode, requested,
          pTimeKeeper ? pTimeKeeper->getElapsedTime() : 0.0);
  ZIB_ASSERT(requested >= MODE_FROZEN && requested <= MODE_OK);
  if (bShuttingDown) {
    ZIB_LOG(u"Shutdown in progress -- ignoring.");
    return;
  }
  while (zibMode != requested) {
    const int32_t oldMode = zibMode;
    const int32_t newMode = requested > oldMode ? oldMode + 1 : oldMode - 1;
    zibMode = newMode;  // before anyone is told
    ZIB_LOG(u"Changing mode from %d to %d.", oldMode, newMode);
    if (pZibAudio) pZibAudio->onZIBmodeChange(oldMode, newMode);
    if (pZibGraphics) zibModules().onZIBmodeChange(*this, oldMode, newMode);
    if (pZibInput) pZibInput->onZIBmodeChange(oldMode, newMode);
    ZIB_LOG(u"Notifying %d objects.", objectList.countChildren());
    notifyObjects([&](ZibBase* object) { object->onZIBmodeChange(oldMode, newMode); });
  }
  ZIB_LOG(u"Mode change complete.");
}

double Zib::getFrameDelta() const {
  const double delta = frameTimer.lastTime - frameTimer.previousTime;
  if (bRelease || !pZibInput) return delta;
  if (pZibInput->isKeyDown(DIK_F11)) return delta * 5.0;
  if (pZibInput->isKeyDown(DIK_F10)) return delta / 10.0;
  return delta;
}

void Zib::frame(Context* root) {
  using Device = FrameDevice;
  const auto testCooperativeLevel = [this] { return pFrameDevice ? pFrameDevice->testCooperativeLevel() : Device::kOk; };

  ZIB_ASSERT(zibMode >= MODE_FROZEN && zibMode <= MODE_OK);
  if (zibMode == MODE_OK) {
    if (const int32_t result = testCooperativeLevel(); result < 0) {
      ZIB_LOG(u"OK dxDevice->TestCooperativeLevel() returned %s.", ErrorManager::getHRESULTString(result));
      changeZIBmode(MODE_FROZEN);
      return;
    }
    if (!bHasFocus) {
      changeZIBmode(MODE_PAUSED);
      return;
    }
  } else if (zibMode == MODE_PAUSED) {
    if (const int32_t result = testCooperativeLevel(); result < 0) {
      ZIB_LOG(u"PAUSED dxDevice->TestCooperativeLevel() returned %s.", ErrorManager::getHRESULTString(result));
      changeZIBmode(MODE_FROZEN);
      return;
    }
    if (bHasFocus) {
      changeZIBmode(MODE_OK);
      return;
    }
    if (!bTickWhilePaused) Sleep(500);
  } else {
    if (!bHasFocus) {
      Sleep(100);
      return;
    }
    const int32_t result = testCooperativeLevel();
    if (result != Device::kOk && result != Device::kDeviceNotReset) {
      ZIB_LOG(u"FROZEN dxDevice->TestCooperativeLevel() returned %s.", ErrorManager::getHRESULTString(result));
      Sleep(1000);
      return;
    }
    if (!pFrameDevice || pFrameDevice->restorePresentation()) {
      changeZIBmode(MODE_PAUSED);
    } else {
      ZIB_LOG(u"restorePresentation() failed. Aborting...");
      Sleep(1000);  // still frozen: the next frame tries again
    }
    return;
  }

  const bool ticking = zibMode == MODE_OK || (bTickWhilePaused && zibMode == MODE_PAUSED);
  std::fill(std::begin(frameStats), std::end(frameStats), 0);
  double* const t = phaseTime;
  if (ticking) {
    ++frameCounter;
    if (pZibInput) pZibInput->update();
    if (pZibAudio) BASS_Update(100);
    t[0] = t[1] = pTimeKeeper->getElapsedTime();
    if (lastFrameTime == 0) lastFrameTime = t[1];
    if (root) {
      zibModules().frameTick(root);  // the Context takes its own time step
      if (pFocusTracker) pFocusTracker->update(zibModules().rootObject(root));
    }
    t[2] = pTimeKeeper->getElapsedTime();
    if (pConsole) zibModules().tickConsole(*this);
    t[3] = pTimeKeeper->getElapsedTime();
  }

  ++renderedFrames;
  if (pFrameDevice) pFrameDevice->beginScene();
  if (root) zibModules().frameRender(root);
  if (ticking) {
    t[4] = pTimeKeeper->getElapsedTime();
    double frameTime = t[4] - lastFrameTime;
    double tickTime = t[4] - t[1];
    lastFrameTime = t[4];
    totalFrameTime += tickTime;
    frameTime = std::max(frameTime, 0.00001);
    tickTime = std::max(tickTime, 0.00001);
    currentFps = 1 / frameTime;
    const int32_t slot = frameCounter % 512;
    statHistory[0][slot] = static_cast<int32_t>(tickTime * 1000);
    statHistory[1][slot] = zibModules().residentTextureBytes();
    statHistory[2][slot] = zibModules().residentImageBytes();
    statHistory[3][slot] = residentSoundBytes;
    statHistory[4][slot] = residentStreamBytes;
    if (pZibGraphics && pZibInput && pZibInput->isKeyPressed(DIK_F9)) {
      const char16_t* extension = pZibInput->isKeyDown(DIK_RSHIFT) ? u"tga" : u"bmp";
      zibModules().saveScreenshot(*this, root, formatString(u"%s%s %s %.3lf.%s", getUserDataFolder(), applicationName(),
                                                      getTimeStampString(std::time(nullptr)), t[4], extension));
    }
    // The counters as the scene left them, before the console and the overlay draw.
    int32_t savedStats[9];
    std::copy(std::begin(frameStats), std::end(frameStats), savedStats);
    if (pConsole) zibModules().renderConsole(*this);
    if (debugLevel != 0 && pFrameDevice) pFrameDevice->drawOverlay(savedStats);
  }
  if (pFrameDevice) pFrameDevice->endScene();
  t[5] = pTimeKeeper->getElapsedTime();
  overlayTime = t[5] - t[4];
  if (pFrameDevice) pFrameDevice->present();
  if (ticking) {
    t[6] = pTimeKeeper->getElapsedTime();
    frameTimer.wait();
    t[7] = pTimeKeeper->getElapsedTime();
  }
  // A typed character is seen during one frame.
  if (pZibInput) pZibInput->typedChar = 0;

  if (bRestartPresentation) {
    // Set by a settings change while running; a change that arrives while
    // paused is honoured the same way: the frozen frames rebuild the presentation.
    changeZIBmode(MODE_FROZEN);
    bRestartPresentation = false;
  }
}
