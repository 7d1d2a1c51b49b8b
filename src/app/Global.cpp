#include "app/Global.h"

#include <algorithm>

#include "engine/AppPaths.h"
#include "app/ContextManager.h"
#include "app/Loader.h"
#include "engine/ClassInfo.h"
#include "engine/ErrorManager.h"
#include "engine/FileManager.h"
#include "engine/Logger.h"
#include "base/Format.h"
#include "engine/Zib.h"
#include "graphics/Console.h"
#include "engine/audio/ZibAudio.h"
#include "platform/Audio.h"
#include "engine/net/NetAddress.h"
#include "platform/Sockets.h"

Global::Global() {
  gameConfiguration.load();
  profileManager.load();
}

Global::~Global() {
  if (pContextManager) pContextManager->destroy();
  profileManager.save();
  gameConfiguration.save();
}

std::vector<std::u16string> Global::sizeLines() {
  // HIGHSCOREENTRY and ProfileData join here, after GameConfiguration and
  // before ProfileManager, once those records have types of their own.
  return {
      formatString(u"sizeof(bool)=%d", static_cast<int32_t>(sizeof(bool))),
      formatString(u"sizeof(NetAddress)=%d", static_cast<int32_t>(sizeof(NetAddress))),
      formatString(u"sizeof(sockaddr_in)=%d", static_cast<int32_t>(sizeof(sockets::SockAddrIn))),
      formatString(u"sizeof(GameConfiguration)=%d", static_cast<int32_t>(sizeof(GameConfiguration))),
      formatString(u"sizeof(ProfileManager)=%d", static_cast<int32_t>(sizeof(ProfileManager))),
  };
}

void Global::initPreLoader() {
  ClassRegistry* m = &getClassRegistry();
  m->assignClassIds();
  ZIB_ASSERT(!m->bBadClasses);
  if (!zib->bRelease && zib->pConsole)
    for (const std::u16string& line : sizeLines()) zib->pConsole->addLine(u"%s", line);
  zib->pFileManager->useWad(baseDirectoryPath() + applicationName() + u".dat");
  pContextManager = new ContextManager();
  pContextManager->push(new Loader(pContextManager));
}

void Global::saveUserData() {
  ZIB_LOG(u"Saving.");
  gameConfiguration.save();
  profileManager.save();
  zib->saveDefaultLanguage();
}

// The video settings reach their manager once it takes them.
void Global::applyConfiguration(int32_t, int32_t) {
  // A rate below 1 would stall the frame pacing.
  if (zib->pTimeKeeper) zib->frameTimer.start(1.0 / std::max(gameConfiguration.tickRate, 1));
  if (zib->pZibAudio) {
    // Takes effect at the next start of the engine, which reads it back from the configuration.
    static constexpr int32_t kRates[] = {11025, 22050, 44100};
    zib->pZibAudio->frequency = kRates[std::clamp(gameConfiguration.sampleRateIndex, 0, 2)];
    const auto scaled = [&](float volume) {
      if (gameConfiguration.bMute || !(volume > 0)) return DWORD{0};
      return static_cast<DWORD>(std::min(volume, 1.0f) * 10000.0f);
    };
    BASS_SetConfig(BASS_CONFIG_GVOL_SAMPLE, scaled(gameConfiguration.soundVolume));
    const DWORD music = scaled(gameConfiguration.musicVolume);
    BASS_SetConfig(BASS_CONFIG_GVOL_MUSIC, music);
    BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, music);
  }
}
