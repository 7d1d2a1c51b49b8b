#include "engine/audio/ZibAudio.h"

#include "base/CodeName.h"
#include "engine/ErrorManager.h"
#include "engine/Logger.h"
#include "engine/MemoryIniFile.h"
#include "engine/Zib.h"
#include "engine/audio/SoundStream.h"
#include "platform/Audio.h"

ZIB_DEFINE_ROOT_CLASS(ZibAudio, nullptr);

namespace {

constexpr CodeName kErrorNames[] = {
    {0, u"BASS_OK"},
    {1, u"BASS_ERROR_MEM"},
    {2, u"BASS_ERROR_FILEOPEN"},
    {3, u"BASS_ERROR_DRIVER"},
    {4, u"BASS_ERROR_BUFLOST"},
    {5, u"BASS_ERROR_HANDLE"},
    {6, u"BASS_ERROR_FORMAT"},
    {7, u"BASS_ERROR_POSITION"},
    {8, u"BASS_ERROR_INIT"},
    {9, u"BASS_ERROR_START"},
    {14, u"BASS_ERROR_ALREADY"},
    {18, u"BASS_ERROR_NOCHAN"},
    {19, u"BASS_ERROR_ILLTYPE"},
    {20, u"BASS_ERROR_ILLPARAM"},
    {21, u"BASS_ERROR_NO3D"},
    {22, u"BASS_ERROR_NOEAX"},
    {23, u"BASS_ERROR_DEVICE"},
    {24, u"BASS_ERROR_NOPLAY"},
    {25, u"BASS_ERROR_FREQ"},
    {27, u"BASS_ERROR_NOTFILE"},
    {29, u"BASS_ERROR_NOHW"},
    {31, u"BASS_ERROR_EMPTY"},
    {32, u"BASS_ERROR_NONET"},
    {33, u"BASS_ERROR_CREATE"},
    {34, u"BASS_ERROR_NOFX"},
    {37, u"BASS_ERROR_NOTAVAIL"},
    {38, u"BASS_ERROR_DECODE"},
    {39, u"BASS_ERROR_DX"},
    {40, u"BASS_ERROR_TIMEOUT"},
    {41, u"BASS_ERROR_FILEFORM"},
    {42, u"BASS_ERROR_SPEAKER"},
    {43, u"BASS_ERROR_VERSION"},
    {44, u"BASS_ERROR_CODEC"},
    {45, u"BASS_ERROR_ENDED"},
    {46, u"BASS_ERROR_BUSY"},
    {-1, u"BASS_ERROR_UNKNOWN"},
};

// The device information is logged as it stands, without the function name.
void logLine(const std::u16string& line) {
  if (zib->pLogger) zib->pLogger->writeMessage(line);
}

const char16_t* flagWord(DWORD flags, DWORD bit, const char16_t* word) { return (flags & bit) ? word : u""; }

}  // namespace

void ZibAudio::checkVersion(uint32_t version) {
  if (version < kMinVersion)
    reportAssertion(u"ZibAudio::ZibAudio", __FILE__, __LINE__, u"BASS_GetVersion() >= 0x02040a08");
}

ZibAudio::ZibAudio() {
  frequency = 0;
  bNoAudio = false;
  music = nullptr;
  ZIB_LOG(u"Starting...");

  if (MemoryIniFile* config = zib->pConfig) {
    const std::u16string section = classInfo.getName();
    if (!config->hasKey(section, u"bNoAudio")) config->setBool(false, section, u"bNoAudio");
    bNoAudio = config->getBool(section, u"bNoAudio");
    if (!config->hasKey(section, u"frequency")) config->setInt(kDefaultFrequency, section, u"frequency");
    frequency = config->getInt(section, u"frequency");
    if (!config->hasKey(section, u"channels")) config->setInt(32, section, u"channels");
    config->getInt(section, u"channels");
  } else {
    frequency = kDefaultFrequency;
  }
  // A rate no device takes would fail every start, muting the game for good.
  if (frequency < kMinFrequency || frequency > kMaxFrequency) {
    ZIB_LOG(u"Output rate %d Hz is out of range, using %d Hz.", frequency, kDefaultFrequency);
    frequency = kDefaultFrequency;
  }

  ZIB_LOG(u"Using BASS version %08x", BASS_GetVersion());
  checkVersion(BASS_GetVersion());
  BASS_SetConfig(BASS_CONFIG_DEV_DEFAULT, 1);
  BASS_SetConfig(BASS_CONFIG_UNICODE, 1);

  ZIB_LOG(u"Available audio devices: ");
  ZIB_LOG(u"-1.  (default device)");
  int32_t count = 0;
  BASS_DEVICEINFO info{};
  for (DWORD d = 0; BASS_GetDeviceInfo(d, &info); ++d, ++count) {
    ZIB_LOG(u"%d.  %s (driver=%s) flags=%s %s %s", static_cast<int32_t>(d), fromUtf8(info.name ? info.name : ""),
            info.driver ? fromUtf8(info.driver) : std::u16string(u"none"), flagWord(info.flags, BASS_DEVICE_ENABLED, u"ENABLED"),
            flagWord(info.flags, BASS_DEVICE_DEFAULT, u"DEFAULT"), flagWord(info.flags, BASS_DEVICE_INIT, u"INIT"));
  }

  const auto rate = static_cast<DWORD>(frequency);
  bool started = false;
  if (bNoAudio) {
    ZIB_LOG(u"Sound has been muted.");
  } else {
    ZIB_LOG(u"Creating audio: %d Hz.", frequency);
    for (int32_t device = -1; device < count && !started; ++device) {
      if (device == 0) continue;  // the no-sound device comes last
      ZIB_LOG(u"Attempting to initialize device %d...", device);
      if (BASS_Init(device, rate, BASS_DEVICE_3D, zib->hWindowHandle, nullptr)) {
        ZIB_LOG(u"...success!");
        started = true;
      } else {
        ZIB_LOG(u"... failed with '%s'", getBASSErrorString(BASS_ErrorGetCode()));
      }
    }
    if (!started) bNoAudio = true;
  }
  if (!started) {
    ZIB_LOG(u"Attempting to initialize device 0 (mute)...");
    if (!BASS_Init(0, rate, BASS_DEVICE_3D, zib->hWindowHandle, nullptr)) {
      ErrorManager::fail(formatString(u"Error: %s\n Statement: %s\n Function: %s()\n File: %s\n Line: %d",
                                      getBASSErrorString(BASS_ErrorGetCode()),
                                      u"BASS_Init(0, frequency, BASS_DEVICE_3D, zib->hWindowHandle, NULL)",
                                      u"ZibAudio::ZibAudio", getFileName(fromUtf8(__FILE__)), __LINE__));
    }
  }
  dumpAudioInfo();
  ZIB_LOG(u"Started.");
}

ZibAudio::~ZibAudio() {
  if (MemoryIniFile* config = zib->pConfig) {
    config->setInt(frequency, classInfo.getName(), u"frequency");
    if (const WriteResult result = config->save(); !result.ok())
      ZIB_LOG(u"Could not save %s: %s", result.file, result.reason());
  }
  BASS_Free();
}

void ZibAudio::onZIBmodeChange(int32_t oldMode, int32_t newMode) {
  if (oldMode == MODE_OK && newMode == MODE_PAUSED) BASS_Pause();
  if (oldMode == MODE_PAUSED && newMode == MODE_OK) BASS_Start();
}

void ZibAudio::setMusic(SoundStream* stream) {
  if (stream == music) return;
  if (music) {
    if (!music->stream) music->recreateSoundStream();
    BASS_ChannelStop(music->stream);
  }
  music = stream;
  if (music) music->play(0.0f);
}

std::u16string ZibAudio::getBASSErrorString(int32_t code) {
  if (const char16_t* name = findCodeName(kErrorNames, code)) return name;
  ZIB_ERROR(u"Unknown BASS error: %08x", code);
}

void ZibAudio::dumpAudioInfo() {
  BASS_INFO info{};
  BASS_GetInfo(&info);
  struct Cap {
    DWORD bit;
    const char16_t* word;
  };
  static constexpr Cap kCaps[] = {
      {DSCAPS_CONTINUOUSRATE, u" DSCAPS_CONTINUOUSRATE"},   {DSCAPS_EMULDRIVER, u" DSCAPS_EMULDRIVER"},
      {DSCAPS_CERTIFIED, u" DSCAPS_CERTIFIED"},             {DSCAPS_SECONDARYMONO, u" DSCAPS_SECONDARYMONO"},
      {DSCAPS_SECONDARYSTEREO, u" DSCAPS_SECONDARYSTEREO"}, {DSCAPS_SECONDARY8BIT, u" DSCAPS_SECONDARY8BIT"},
      {DSCAPS_SECONDARY16BIT, u" DSCAPS_SECONDARY16BIT"},
  };
  std::u16string supported, unsupported;
  for (const Cap& cap : kCaps) (info.flags & cap.bit ? supported : unsupported) += cap.word;
  logLine(formatString(u"\t%s:%s", u"info.flags", supported));
  if (!unsupported.empty()) logLine(formatString(u"\t%s %s", u"(unsupported)", unsupported));
  const std::pair<const char16_t*, DWORD> first[] = {{u"info.hwsize", info.hwsize}, {u"info.hwfree", info.hwfree},
                                                      {u"info.freesam", info.freesam}, {u"info.free3d", info.free3d},
                                                      {u"info.minrate", info.minrate}, {u"info.maxrate", info.maxrate}};
  for (const auto& [name, value] : first) logLine(formatString(u"\t%s: %u", name, value));
  logLine(formatString(u"\tinfo.eax: %s", info.eax ? u"true" : u"false"));
  const std::pair<const char16_t*, DWORD> second[] = {{u"info.minbuf", info.minbuf}, {u"info.dsver", info.dsver},
                                                       {u"info.latency", info.latency}, {u"info.initflags", info.initflags},
                                                       {u"info.speakers", info.speakers}};
  for (const auto& [name, value] : second) logLine(formatString(u"\t%s: %u", name, value));
}
