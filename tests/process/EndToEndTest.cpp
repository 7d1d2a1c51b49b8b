// The program end to end under Xvfb: loading, the title screen as it looks,
// real mouse and key presses, the saved settings taking effect.
#include <gtest/gtest.h>
#include <sys/wait.h>

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

// The Quit button at the bottom centre of an 800 x 480 window.
constexpr int kQuitX = 400, kQuitY = 420;

TEST_F(EndToEndTest, QuitTakesARealClickEnterOrTheKeyboardsPointer) {
  writeConfig(kWindowed);
  for (const char* how : {"enter", "click"}) {
    SCOPED_TRACE(how);
    const pid_t pid = start();
    unsigned long window = 0;
    ASSERT_TRUE(waitFor([&] { return (window = windowOf(pid)) != 0; }, kStartTimeout)) << output() << log().substr(log().size() - 3000);
    Screenshot last;
    ASSERT_TRUE(waitForPicture(window, *Screenshot::load(kTitleReference), &last));
    const std::string id = std::to_string(window);
    if (std::string(how) == "click") {
      ASSERT_TRUE(clickAt(window, kQuitX, kQuitY));
    } else {
      // Each key held until a frame has shown its effect: the focus moved, the program ended.
      ASSERT_TRUE(xdotool("windowfocus --sync " + id));
      ASSERT_TRUE(holdKeysUntil("Down", [&] { return pictureChangedFrom(window, last); }));
      int status = 0;
      ASSERT_TRUE(holdKeysUntil("Return", [&] { return waitpid(pid, &status, WNOHANG) == pid; }));
      std::erase(running, pid);
      ASSERT_TRUE(WIFEXITED(status) && WEXITSTATUS(status) == 0) << output();
      continue;
    }
    ASSERT_TRUE(exitedWith(waitExit(pid), 0)) << output() << log().substr(log().size() - 2000);
    EXPECT_TRUE(log().ends_with("Zib::~Zib(): Done. Clean exit.\r\n"));
  }
}

TEST_F(EndToEndTest, TheLanguageButtonRebuildsTheEngineAndAFlagChoosesTheLanguageKept) {
  writeConfig(kWindowed);
  const pid_t pid = start();
  unsigned long window = 0;
  ASSERT_TRUE(waitFor([&] { return (window = windowOf(pid)) != 0; }, kStartTimeout));
  const Screenshot title = *Screenshot::load(kTitleReference);
  Screenshot last;
  ASSERT_TRUE(waitForPicture(window, title, &last));
  const auto looksLikeTitle = [&](double tolerance) {
    const std::optional<Screenshot> shot = screenshot(window);
    return shot && shot->reduced(4).meanDifference(title) < tolerance;
  };
  ASSERT_TRUE(clickAt(window, 660, 420));  // the button named after the language, right of Quit
  // A new engine (a new log) asks with the flags: English left, German right.
  ASSERT_TRUE(waitFor([&] { return !looksLikeTitle(10) && log().find("Entering game loop.") != std::string::npos &&
                                   log().find("ZIB shutting down") == std::string::npos; },
                      kStartTimeout));
  ASSERT_TRUE(clickAt(window, 480, 240));
  ASSERT_TRUE(waitFor([&] { return looksLikeTitle(8); }, kStartTimeout)) << "the title again, in German";
  ASSERT_TRUE(closeWindow(window));
  ASSERT_TRUE(exitedWith(waitExit(pid), 0)) << output();
  EXPECT_NE(userFile("Skerrion2demo.cfg").find("\r\ndefaultLanguage=1\r\n"), std::string::npos);
}

TEST_F(EndToEndTest, F9WritesABitmapAndRightShiftF9ATarga) {
  writeConfig(kWindowed);
  const pid_t pid = start();
  unsigned long window = 0;
  ASSERT_TRUE(waitFor([&] { return (window = windowOf(pid)) != 0; }, kStartTimeout));
  Screenshot last;
  ASSERT_TRUE(waitForPicture(window, *Screenshot::load(kTitleReference), &last));
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
  const auto u32 = [](const std::string& b, size_t at) { return uint32_t(uint8_t(b[at])) | uint32_t(uint8_t(b[at + 1])) << 8 | uint32_t(uint8_t(b[at + 2])) << 16 | uint32_t(uint8_t(b[at + 3])) << 24; };
  EXPECT_EQ(u32(bmp, 2), bmp.size());
  ASSERT_GT(tga.size(), 18u);
  const size_t width = uint8_t(tga[12]) | uint8_t(tga[13]) << 8, height = uint8_t(tga[14]) | uint8_t(tga[15]) << 8;
  EXPECT_EQ(tga[2], 2);
  EXPECT_EQ(tga.size(), 18 + width * height * uint8_t(tga[16]) / 8);
  ASSERT_TRUE(closeWindow(window));
  ASSERT_TRUE(exitedWith(waitExit(pid), 0)) << output();
}

TEST_F(EndToEndTest, SavedSettingsTakeEffectWhenLoadingStartsAWindowVerticalSyncTheRateAndMute) {
  GameConfiguration settings;  // as an options screen leaves them
  settings.bFullScreen = 0;
  settings.bVerticalSync = 1;
  settings.tickRate = 30;
  settings.bMute = 1;
  saveChecksummedFile(&settings, sizeof settings, getUserDataFolder(), u"Skerrion2demo.hst", kSaveVersion);
  const fs::path mix = installFolder / "audio.raw";
  environment.push_back("SDL_AUDIODRIVER=disk");
  environment.push_back("SDL_DISKAUDIOFILE=" + mix.string());
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
  const std::string samples = EngineTest::readFile(mix);
  EXPECT_GT(samples.size(), 22050u) << "a second of output at least";
  EXPECT_EQ(samples.find_first_not_of('\0'), std::string::npos) << "muted: the title music is not heard";
}

}  // namespace
