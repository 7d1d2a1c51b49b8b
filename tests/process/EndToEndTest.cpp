// The program end to end under Xvfb: loading, the title screen as it looks,
// real mouse and key presses, the saved settings taking effect.
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

// The title screen in an 800 x 480 window, averaged over 4 x 4 squares. Set
// ZIB_UPDATE_REFERENCE=1 to write it anew from the running program.
const fs::path kTitleReference = fs::path(ZIB_TEST_DATA_DIR) / "title-800x480.ppm";

constexpr char kWindowed[] = "[ZibGraphics]\nbFullScreen=No\nvideoModeWidth=800\nvideoModeHeight=480\n";

TEST_F(EndToEndTest, LoadsShowsTheTitleAsItShouldLookAndClosingTheWindowEndsIt) {
  writeConfig(kWindowed);
  const pid_t pid = start();
  ASSERT_TRUE(waitForLog("createZIB(): Entering game loop.\r\n")) << output();
  unsigned long window = 0;
  ASSERT_TRUE(waitFor([&] { return (window = windowOf(pid)) != 0; }, kStartTimeout));

  Screenshot last;
  if (std::getenv("ZIB_UPDATE_REFERENCE")) {
    std::this_thread::sleep_for(5s);
    last = screenshot(window)->reduced(4);
    ASSERT_TRUE(last.save(kTitleReference));
  }
  const std::optional<Screenshot> reference = Screenshot::load(kTitleReference);
  ASSERT_TRUE(reference);
  const bool bMatched = waitForPicture(window, *reference, &last);
  if (!bMatched) last.save(fs::path(testing::TempDir()) / "title-seen.ppm");
  EXPECT_TRUE(bMatched) << "mean difference " << last.meanDifference(*reference) << ", share off "
                        << last.shareDifferent(*reference, 40) << "; seen in " << testing::TempDir();

  ASSERT_TRUE(closeWindow(window));
  ASSERT_TRUE(exitedWith(waitExit(pid), 0)) << output();
  EXPECT_TRUE(log().ends_with("Zib::~Zib(): Done. Clean exit.\r\n"));
}

TEST_F(EndToEndTest, SavedSettingsTakeEffectWhenLoadingStarts) {
  GameConfiguration settings;  // as an options screen leaves them
  settings.bFullScreen = 0;
  settings.bVerticalSync = 1;
  settings.tickRate = 30;
  saveChecksummedFile(&settings, sizeof settings, getUserDataFolder(), u"Skerrion2demo.hst", kSaveVersion);
  const pid_t pid = start();  // the engine's own configuration: full screen
  ASSERT_TRUE(waitForLog("Restarting to apply configuration.")) << log();
  unsigned long window = 0;
  ASSERT_TRUE(waitFor([&] { return (window = windowOf(pid)) != 0; }, kStartTimeout));
  int width = 0, height = 0;
  ASSERT_TRUE(waitFor([&] { return windowSize(window, width, height) && width > 100 && width < 1280; }, kStartTimeout))
      << "a window, not the whole display: " << width << "x" << height;
  const auto begin = std::chrono::steady_clock::now();
  std::this_thread::sleep_for(3s);
  ASSERT_TRUE(closeWindow(window));
  ASSERT_TRUE(exitedWith(waitExit(pid), 0)) << output();
  const double seconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - begin).count();

  const std::string text = log();
  const size_t at = text.find("Zib::~Zib(): Rendered ");
  ASSERT_NE(at, std::string::npos);
  EXPECT_LT(std::atof(text.c_str() + at + 22) / seconds, 40.0) << "paced at the saved 30 frames a second";
  const std::string config = userFile("Skerrion2demo.cfg");
  EXPECT_NE(config.find("\r\nbFullScreen=No\r\n"), std::string::npos) << config;
  EXPECT_NE(config.find("\r\nbUseVSync=Yes\r\n"), std::string::npos) << config;
}

}  // namespace
