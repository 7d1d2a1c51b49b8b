#include "app/Global.h"

#include <gtest/gtest.h>

#include <memory>
#include <string>
#include <vector>

#include "engine/AppPaths.h"
#include "app/ContextManager.h"
#include "app/GameGlobal.h"
#include "app/Loader.h"
#include "engine/FileManager.h"
#include "engine/SaveContainer.h"
#include "engine/SystemInfo.h"
#include "engine/TimeKeeper.h"
#include "engine/Zib.h"
#include "engine/audio/ZibAudio.h"
#include "graphics/ZibGraphics.h"
#include "graphics/Console.h"
#include "platform/Audio.h"
#include "support/GraphicsFixture.h"
#include "support/TestPlatform.h"

namespace {

using GlobalTest = EngineTest;

TEST_F(GlobalTest, RecordsRoundTripThroughTheSaveContainerAtTheirFixedSizes) {
  auto global = std::make_unique<GameGlobal>();
  global->gameConfiguration.tickRate = 30;
  global->gameConfiguration.reserved[14659] = 7;
  global->profileManager.reserved[94247] = 9;
  global.reset();  // the destructor saves
  EXPECT_EQ(logText().find("Refused"), std::string::npos);  // a first run has nothing to refuse

  SaveContainer container;
  const std::u16string folder = getUserDataFolder();
  EXPECT_TRUE(container.readFile(hashName(u"Skerrion2demo.hst2.79"), folder + u"Skerrion2demo.hst", 14696));
  EXPECT_TRUE(container.readFile(hashName(u"Skerrion2demo.pro2.79"), folder + u"Skerrion2demo.pro", 94248));
  global = std::make_unique<GameGlobal>();
  EXPECT_EQ(global->gameConfiguration.tickRate, 30);
  EXPECT_EQ(global->gameConfiguration.reserved[14659], 7);
  EXPECT_EQ(global->profileManager.reserved[94247], 9);

  global->gameConfiguration.tickRate = 40;
  global->saveUserData();
  GameConfiguration saved;
  EXPECT_TRUE(saved.load());
  EXPECT_EQ(saved.tickRate, 40);
}

TEST_F(GlobalTest, DamagedOrForeignFilesKeepTheDefaultsAndAreLogged) {
  GameConfiguration changed;
  changed.tickRate = 25;
  changed.save();
  std::string bytes = readFile(userDataFolder() / "Skerrion2demo.hst");
  bytes[bytes.size() / 2] ^= 0x40;
  writeFile(userDataFolder() / "Skerrion2demo.hst", bytes);
  // Intact containers of a record of another length and of another version.
  saveChecksummedFile(&changed, 100, getUserDataFolder(), u"Skerrion2demo.pro", u"2.79");
  GameGlobal global;
  EXPECT_EQ(global.gameConfiguration.tickRate, 60);
  EXPECT_EQ(global.profileManager.reserved[0], 0);
  const std::string log = logText();
  EXPECT_NE(log.find("Refused " + (userDataFolder() / "Skerrion2demo.hst").string() + ": damaged"), std::string::npos);
  EXPECT_NE(log.find("Refused " + (userDataFolder() / "Skerrion2demo.pro").string() +
                     ": a record of 100 bytes where 94248 are expected"),
            std::string::npos);
  saveChecksummedFile(&changed, sizeof changed, getUserDataFolder(), u"Skerrion2demo.hst", u"2.80");
  EXPECT_FALSE(global.gameConfiguration.load());
}

TEST_F(GlobalTest, TheTickRateRestartsTheFrameTimer) {
  zib->pTimeKeeper = new TimeKeeper();
  GameGlobal global;
  GameConfiguration& settings = global.gameConfiguration;
  settings.tickRate = 50;
  global.applyConfiguration(-1, -1);
  EXPECT_DOUBLE_EQ(zib->frameTimer.period, 0.02);
  settings.tickRate = 0;
  global.applyConfiguration(-1, -1);
  EXPECT_DOUBLE_EQ(zib->frameTimer.period, 1.0);
}

TEST_F(GlobalTest, AudioSettingsReachTheRateAndTheGlobalVolumes) {
  TestPlatform platform;
  platform.offlineAudio();
  zib->pZibAudio = new ZibAudio();
  Global global;
  GameConfiguration& settings = global.gameConfiguration;
  settings.sampleRateIndex = 0;
  settings.soundVolume = 0.5f;
  settings.musicVolume = 0.25f;
  global.applyConfiguration(-1, -1);
  EXPECT_EQ(zib->pZibAudio->frequency, 11025);
  EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_GVOL_SAMPLE), 5000u);
  EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_GVOL_STREAM), 2500u);
  EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_GVOL_MUSIC), 2500u);
  settings.bMute = 1;
  settings.sampleRateIndex = 2;
  global.applyConfiguration(-1, -1);
  EXPECT_EQ(zib->pZibAudio->frequency, 44100);
  EXPECT_EQ(BASS_GetConfig(BASS_CONFIG_GVOL_SAMPLE) + BASS_GetConfig(BASS_CONFIG_GVOL_STREAM), 0u);
  for (DWORD volume : {BASS_CONFIG_GVOL_SAMPLE, BASS_CONFIG_GVOL_STREAM, BASS_CONFIG_GVOL_MUSIC}) BASS_SetConfig(volume, 10000);
  delete zib->pZibAudio;
  zib->pZibAudio = nullptr;
}

using GlobalGraphicsTest = GraphicsTest;

TEST_F(GlobalGraphicsTest, StartUpStepsMountTheArchiveBesideTheProgramAndFailOnAMissingOne) {
  makeGraphics();
  zib->pFileManager = new FileManager();
  zib->bRelease = false;
  zib->pConsole = new Console();
  GameGlobal global;
  global.initPreLoader();  // the test program sits beside the packed archive
  EXPECT_NE(ContextManager::classInfo.classIndex, -1);
  // The records' sizes, as their files hold them.
  EXPECT_EQ(std::vector<std::u16string>(zib->pConsole->lines.begin(), zib->pConsole->lines.end()),
            (std::vector<std::u16string>{u"sizeof(bool)=1", u"sizeof(NetAddress)=16", u"sizeof(sockaddr_in)=16",
                                         u"sizeof(GameConfiguration)=14696", u"sizeof(ProfileManager)=94248"}));
  delete zib->pConsole;
  zib->pConsole = nullptr;
  EXPECT_EQ(zib->pFileManager->currentWad, baseDirectoryPath() + u"Skerrion2demo.dat");
  ASSERT_NE(global.pContextManager, nullptr);
  EXPECT_NE(dynamic_cast<Loader*>(global.pContextManager->getTop()), nullptr);
  EXPECT_NE(global.pProgressBar, nullptr);
  EXPECT_NE(global.pContextManager->pOverlayLayer->firstChild, nullptr) << "the pointer";

  EXPECT_FATAL(zib->pFileManager->useWad(Loader::languageArchivePath(5)), "Failed to open file");
}

TEST_F(GlobalGraphicsTest, VideoSettingsComeFromTheEngineUntilSavedAndRestartThePresentationWhenChanged) {
  configureWindowed800x480();
  ZibGraphics& graphics = makeGraphics();
  {
    GameGlobal global;  // no saved record: the engine's settings, so applying them changes nothing
    GameConfiguration& settings = global.gameConfiguration;
    EXPECT_EQ(settings.bFullScreen, 0);
    global.applyConfiguration(-1, -1);
    EXPECT_FALSE(zib->bRestartPresentation);
    EXPECT_EQ(graphics.bHighDetail, 1);

    settings.bFullScreen = 1;
    settings.bVerticalSync = 1;
    settings.detailLevel = 0;
  }  // saved
  GameGlobal global;
  global.applyConfiguration(1024, 768);
  EXPECT_TRUE(zib->bRestartPresentation);
  EXPECT_EQ(graphics.bFullScreen, 1);
  EXPECT_EQ(graphics.bUseVSync, 1);
  EXPECT_EQ(graphics.videoModeWidth, 1024);
  EXPECT_EQ(graphics.bHighDetail, 0);

  graphics.bFullScreen = 0;  // as a "-safe" start leaves it
  commandLineArgs.push_back(u"-safe");
  GameGlobal safe;
  commandLineArgs.pop_back();
  EXPECT_EQ(safe.gameConfiguration.bFullScreen, 0) << "the saved full screen is not applied to a safe run";
}

}  // namespace
