#include "app/Global.h"

#include <algorithm>
#include <iterator>

#include "engine/AppPaths.h"
#include "app/ContextManager.h"
#include "app/Loader.h"
#include "app/MousePointer.h"
#include "app/ProgressBar.h"
#include "engine/ClassInfo.h"
#include "engine/ErrorManager.h"
#include "engine/FileManager.h"
#include "engine/Logger.h"
#include "base/Format.h"
#include "engine/SystemInfo.h"
#include "engine/Zib.h"
#include "graphics/Console.h"
#include "engine/audio/ZibAudio.h"
#include "platform/Audio.h"
#include "engine/net/NetAddress.h"
#include "graphics/Texture.h"
#include "graphics/ZibGraphics.h"
#include "platform/Sockets.h"

Global::Global() {
  // Without a saved record, and for a "-safe" run, the video settings are the
  // ones the graphics manager started with, so that applying the record at
  // the start of loading keeps them.
  if (!gameConfiguration.load() || hasCommandLineOption(u"-safe")) takeVideoSettings();
  profileManager.load();
}

void Global::takeVideoSettings() {
  const ZibGraphics* graphics = zib->pZibGraphics;
  if (!graphics) return;
  gameConfiguration.bFullScreen = graphics->bFullScreen;
  gameConfiguration.bAllowLetterbox = graphics->bAllowLetterbox;
  gameConfiguration.bBilinearFilter = graphics->bBilinearFilter;
  gameConfiguration.bVerticalSync = graphics->bUseVSync;
  gameConfiguration.videoModeWidth = graphics->videoModeWidth;
  gameConfiguration.videoModeHeight = graphics->videoModeHeight;
}

Global::~Global() {
  if (pContextManager) pContextManager->destroy();
  resources.destroyChildren();
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
  auto* barTexture = new Texture(0, u"gfx/progressbar.tga");
  auto* pointerTexture = new Texture(0, u"gfx/pointer.tga");
  resources.appendChild(barTexture);
  resources.appendChild(pointerTexture);
  pProgressBar = new ProgressBar(barTexture, -160);
  resources.appendChild(pProgressBar);
  pContextManager = new ContextManager();
  pContextManager->pOverlayLayer->appendChild(new MousePointer(pointerTexture->getSkin(0)));
  pContextManager->push(new Loader(*this));
}

void Global::saveUserData() {
  ZIB_LOG(u"Saving.");
  gameConfiguration.save();
  profileManager.save();
  zib->saveDefaultLanguage();
}

void Global::applyConfiguration(int32_t width, int32_t height) {
  const GameConfiguration& settings = gameConfiguration;
  // As ZibTimer::start does; a rate below 1 would stall the frame pacing.
  if (zib->pTimeKeeper) zib->frameTimer.start(1.0 / std::max(settings.tickRate, 1));
  applyAudioSettings();
  if (ZibGraphics* graphics = zib->pZibGraphics) {
    graphics->changePresentationParameters(width, height, settings.bFullScreen, settings.bAllowLetterbox,
                                           settings.bBilinearFilter, settings.bVerticalSync);
    graphics->bHighDetail = settings.detailLevel >= 1;
  }
}

// The output rate for the next start, then the global volumes: samples, music, streams.
void Global::applyAudioSettings() {
  if (!zib->pZibAudio) return;
  // Takes effect at the next start of the engine, which reads it back from the configuration.
  const GameConfiguration& settings = gameConfiguration;
  zib->pZibAudio->frequency = kSampleRates[std::clamp(settings.sampleRateIndex, 0, int32_t{std::size(kSampleRates)} - 1)];
  const auto scaled = [&](float volume) {
    if (settings.bMute || !(volume > 0)) return DWORD{0};
    return static_cast<DWORD>(std::min(volume, 1.0f) * 10000.0f);
  };
  BASS_SetConfig(BASS_CONFIG_GVOL_SAMPLE, scaled(settings.soundVolume));
  const DWORD music = scaled(settings.musicVolume);
  BASS_SetConfig(BASS_CONFIG_GVOL_MUSIC, music);
  BASS_SetConfig(BASS_CONFIG_GVOL_STREAM, music);
}
