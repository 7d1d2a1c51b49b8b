// The program end to end under Xvfb: the title screen as it looks (every
// test starting at the title checks it), real mouse and key presses, the
// saved settings taking effect.
#include <gtest/gtest.h>

#include <cstdlib>
#include <string>
#include <thread>

#include "app/GameConfiguration.h"
#include "app/Global.h"
#include "engine/SaveContainer.h"
#include "engine/SystemInfo.h"
#include "process/EndToEnd.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

// Real clicks reaching the buttons: ScreensTest.
TEST_F(EndToEndTest, F9WritesABitmapRightShiftF9ATargaAndTheKeyboardsPointerQuits) {
  unsigned long window = 0;
  Screenshot title;
  const pid_t pid = startAtTitle(window, &title);
  ASSERT_TRUE(xdotool("windowfocus --sync " + std::to_string(window)));
  // Each held until its file is there: the keyboard is read once a frame.
  const auto written = [&](const char* extension) {
    for (const auto& entry : fs::directory_iterator(userFolder))
      if (entry.path().extension() == extension) return EngineTest::readFile(entry.path());
    return std::string();
  };
  ASSERT_TRUE(holdKeysUntil("F9", [&] { return !written(".bmp").empty(); }));
  ASSERT_TRUE(holdKeysUntil("Shift_R+F9", [&] { return !written(".tga").empty(); }));
  const std::string bmp = written(".bmp"), tga = written(".tga");
  ASSERT_TRUE(bmp.size() > 54 && bmp.starts_with("BM"));
  EXPECT_EQ(uint8_t(bmp[2]) | uint8_t(bmp[3]) << 8 | uint8_t(bmp[4]) << 16 | uint32_t(uint8_t(bmp[5])) << 24, bmp.size());
  ASSERT_GT(tga.size(), 18u);
  const size_t width = uint8_t(tga[12]) | uint8_t(tga[13]) << 8, height = uint8_t(tga[14]) | uint8_t(tga[15]) << 8;
  EXPECT_EQ(tga[2], 2);
  EXPECT_EQ(tga.size(), 18 + width * height * uint8_t(tga[16]) / 8);
  // Each key held until a frame has shown its effect: the pointer onto Quit, the program ended.
  ASSERT_TRUE(holdKeysUntil("Down", [&] { return pictureChangedFrom(window, title); }));
  EXPECT_TRUE(exitedWith(holdKeysUntilExit("Return", pid), 0)) << output();
  EXPECT_TRUE(log().ends_with("Zib::~Zib(): Done. Clean exit.\r\n"));
}

TEST_F(EndToEndTest, SavedSettingsTakeEffectWhenLoadingStartsAWindowVerticalSyncTheRateAndMute) {
  GameConfiguration settings;  // as an options screen leaves them
  settings.bFullScreen = 0;
  settings.bVerticalSync = 1;
  settings.tickRate = 30;
  settings.bMute = 1;
  saveChecksummedFile(&settings, sizeof settings, getUserDataFolder(), u"Skerrion2demo.hst", kSaveVersion);
  const fs::path mix = useDiskAudio("audio.raw");
  const pid_t pid = start();  // the engine's own configuration: full screen
  ASSERT_TRUE(waitForLog("Restarting to apply configuration.")) << log();
  const unsigned long window = waitForWindow(pid);
  WindowGeometry geometry;
  ASSERT_TRUE(waitFor([&] { return (geometry = geometryOf(window)).width > 100 && !geometry.coversScreen(); },
                      kStartTimeout))
      << "a window, not the whole display: " << geometry.width << "x" << geometry.height;
  const auto begin = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(3s);
  ASSERT_TRUE(endsCleanly(pid, window));
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();

  const std::string text = log();
  const size_t at = text.find("Zib::~Zib(): Rendered ");
  ASSERT_NE(at, std::string::npos);
  EXPECT_LT(std::atof(text.c_str() + at + 22) / seconds, 40.0) << "paced at the saved 30 frames a second";
  const std::string config = userFile("Skerrion2demo.cfg");
  EXPECT_NE(config.find("\r\nbFullScreen=No\r\n"), std::string::npos) << config;
  EXPECT_NE(config.find("\r\nbUseVSync=Yes\r\n"), std::string::npos) << config;
  const std::string samples = EngineTest::readFile(mix);
  EXPECT_GT(samples.size(), 22050u) << "a second of output at least";
  EXPECT_EQ(samples.find_first_not_of('\0'), std::string::npos) << "muted: the title music is not heard";
}

}  // namespace
