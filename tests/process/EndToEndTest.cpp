// The program end to end under Xvfb, as a player meets it: the loading screen
// seen, the window's icon, the title screen as it looks (every test starting
// at the title checks it), real key presses and clicks, the language question,
// the saved settings and the options screens taking effect.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdlib>
#include <cstring>
#include <string>
#include <thread>
#include <vector>

#include "app/GameConfiguration.h"
#include "app/Global.h"
#include "engine/SaveContainer.h"
#include "engine/SystemInfo.h"
#include "process/EndToEnd.h"

// Last: Xlib's macros would clash with the headers above.
#include <X11/Xatom.h>
#include <X11/Xlib.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

using ScreensTest = EndToEndTest;

// A key held for a few frames: the game reads the keys' state once a frame.
std::string tap(const std::string& key) { return "keydown " + key + " sleep 0.15 keyup " + key + " sleep 0.15"; }

// The window's _NET_WM_ICON: width, height, then ARGB pixels; empty without one.
std::vector<unsigned long> iconOf(Display* display, unsigned long window) {
  std::vector<unsigned long> icon;
  Atom type;
  int format;
  unsigned long items = 0, after = 0;
  unsigned char* value = nullptr;
  if (XGetWindowProperty(display, window, XInternAtom(display, "_NET_WM_ICON", False), 0, 1 << 16, False,
                         XA_CARDINAL, &type, &format, &items, &after, &value) == Success && value) {
    const auto* cells = reinterpret_cast<const unsigned long*>(value);  // format 32 comes as longs
    icon.assign(cells, cells + items);
    XFree(value);
  }
  return icon;
}

// Mean of the channels over a window rectangle.
double brightness(const Screenshot& shot, int left, int top, int right, int bottom) {
  double sum = 0;
  for (int y = top; y < bottom; ++y)
    for (int x = left; x < right; ++x)
      for (int c = 0; c < 3; ++c) sum += shot.rgb[(size_t(y) * shot.width + x) * 3 + c];
  return sum / (3.0 * (right - left) * (bottom - top));
}

// The loading bar in an 800 x 480 window: its middle row, and the whole bar.
constexpr int kBarLeft = 272, kBarRight = 528, kBarTop = 384, kBarBottom = 416, kBarMiddle = 400;

TEST_F(ScreensTest, TheLoadingScreenIsSeenEmptyThenFullBeforeTheTitleAndTheWindowHasTheProgramsIcon) {
  writeConfig(kWindowed);
  // A frame a second: each frame of loading stays on the screen long enough to be seen.
  GameConfiguration settings;
  settings.bFullScreen = 0;
  settings.tickRate = 1;
  saveChecksummedFile(&settings, sizeof settings, getUserDataFolder(), u"Skerrion2demo.hst", kSaveVersion);
  const pid_t pid = start();
  const unsigned long window = waitForWindow(pid);
  // The icon is set just after the window appears.
  std::vector<unsigned long> icon;
  waitFor([&] { return !(icon = iconOf(display(), window)).empty(); }, kStartTimeout);
  ASSERT_EQ(icon.size(), 2u + 64 * 64);
  EXPECT_EQ(icon[0], 64u);
  EXPECT_EQ(icon[1], 64u);
  EXPECT_EQ(icon[2] >> 24 & 0xFF, 0u) << "a rounded corner";
  EXPECT_EQ(icon[2 + 32 * 64 + 32] >> 24 & 0xFF, 0xFFu) << "the picture in the middle";

  const std::optional<Screenshot> title = Screenshot::load(kTitleReference);
  ASSERT_TRUE(title);
  bool bEmptySeen = false, bFullSeen = false, bTitleBeforeFull = false;
  Screenshot last;
  ASSERT_TRUE(waitFor(
      [&] {
        const std::optional<Screenshot> shot = screenshot(window);
        if (!shot || shot->width != 800 || shot->height != 480) return false;
        last = shot->reduced(4);
        if (matches(last, *title)) {
          bTitleBeforeFull = !bFullSeen;
          return true;
        }
        // The empty bar: its frame drawn on black; the full one: bright across.
        const double bar = brightness(*shot, kBarLeft, kBarTop, kBarRight, kBarBottom);
        const double middle = brightness(*shot, kBarLeft + 8, kBarMiddle, kBarRight - 8, kBarMiddle + 1);
        if (bar > 2 && middle < 30 && brightness(*shot, 0, 0, 800, kBarTop - 40) < 3) bEmptySeen = true;
        if (middle > 150) bFullSeen = bEmptySeen;
        return false;
      },
      kStartTimeout))
      << "the title at last";
  EXPECT_TRUE(bEmptySeen) << "the loading screen before loading";
  EXPECT_TRUE(bFullSeen) << "the bar full, after it was empty";
  EXPECT_FALSE(bTitleBeforeFull);
  EXPECT_TRUE(endsCleanly(pid, window));
}

// The language screen (800 x 480): the English flag's left border, gold
// while the pointer is over the flag; the German flag right of it.
constexpr int kEnglishFlagBorderX = 242, kFlagMiddleY = 230, kGermanFlagX = 480;
// The title's buttons (800 x 480): their middles, 420 down.
constexpr int kQuitButtonX = 400, kLanguageButtonX = 660, kButtonsY = 420;

TEST_F(ScreensTest, TheKeyboardAloneAnswersTheLanguageQuestionAndClicksChooseGerman) {
  unsigned long window = 0;
  Screenshot title;
  const pid_t pid = startAtTitle(window, &title);
  std::string id = std::to_string(window);
  // The window's picture against the title's: nullopt while there is none to take.
  const auto titleShown = [&]() -> std::optional<bool> {
    const std::optional<Screenshot> shot = screenshot(window);
    if (!shot || shot->width != 800) return std::nullopt;
    return shot->reduced(4).meanDifference(title) < 8;
  };
  const auto looksLikeTitle = [&] { return titleShown() == true; };
  // A new engine (a new log) asks with the flags, in the window the program has then.
  const auto flagsShown = [&] {
    return waitFor([&] {
      if (const unsigned long now = windowOf(pid)) window = now, id = std::to_string(now);
      return titleShown() == false && log().find("Entering game loop.") != std::string::npos &&
             log().find("ZIB shutting down") == std::string::npos;
    }, kStartTimeout);
  };
  // The pointer onto the first button (Quit), right to the language button, press.
  ASSERT_TRUE(xdotool("windowfocus --sync " + id + " " + tap("Down") + " " + tap("Right") + " " + tap("Return")));
  ASSERT_TRUE(flagsShown());
  const auto borderRed = [&] {
    const std::optional<Screenshot> shot = screenshot(window);
    return shot && shot->width == 800 ? int(shot->rgb[(size_t(kFlagMiddleY) * 800 + kEnglishFlagBorderX) * 3]) : -1;
  };
  // Unless a pointer moved into the new window (another test's) and the mouse took the input.
  ASSERT_TRUE(waitFor([&] { return borderRed() > 200 || log().find("Setting input mode to 1") != std::string::npos; },
                      kStartTimeout))
      << "the flags, the one of the language in use (English) lit from the first frame";
  // The first key brings the input to the keyboard, the pointer onto that flag; Enter takes it.
  ASSERT_TRUE(xdotool("windowfocus --sync " + id + " " + tap("Right")));
  EXPECT_TRUE(waitFor([&] { return borderRed() > 200; }, kStartTimeout)) << "the pointer on the English flag";
  ASSERT_TRUE(xdotool("windowfocus --sync " + id + " " + tap("Return")));
  Screenshot last;  // the title as at the start, settled: then it takes clicks
  ASSERT_TRUE(waitForPicture(window, title, &last)) << "mean difference " << last.meanDifference(title);
  // Back on the button that asked, lit rather than Quit: a second Enter asks again instead of quitting.
  const std::optional<Screenshot> back = screenshot(window);
  ASSERT_TRUE(back && back->width == 800);
  const auto buttonTop = [&](int middleX) {
    return brightness(*back, middleX - 82, kButtonsY - 18, middleX - 52, kButtonsY - 8);
  };
  EXPECT_GT(buttonTop(kLanguageButtonX), buttonTop(kQuitButtonX) + 15) << "the language button lit";
  // Clicks: the button named after the language (right of Quit), then the German flag.
  ASSERT_TRUE(clickAt(window, kLanguageButtonX, kButtonsY));
  ASSERT_TRUE(flagsShown());
  ASSERT_TRUE(clickAt(window, kGermanFlagX, kFlagMiddleY));
  ASSERT_TRUE(waitFor(looksLikeTitle, kStartTimeout)) << "the title again, in German (its words: AssetCheckTest)";
  EXPECT_TRUE(endsCleanly(pid, window));
  EXPECT_NE(userFile("Skerrion2demo.cfg").find("\r\ndefaultLanguage=1\r\n"), std::string::npos);
}

// Real clicks reaching the buttons: the language question below.
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

// The options screens as a keyboard player meets them: the music turned down
// is heard quieter in the mix, full screen goes off and on again through the
// advanced screen with the window following, and both hold at the next start.
class OptionsTest : public EndToEndTest {
 protected:
  // The mix as the disk audio output writes it: 32-bit float stereo at the default 22050 Hz.
  static constexpr size_t kBytesPerSecond = 22050 * 2 * 4;

  // The root-mean-square level of the next `seconds` of the mix written from now on.
  double nextLevel(double seconds) const {
    const size_t from = fs::exists(mix) ? fs::file_size(mix) : 0;
    const size_t bytes = static_cast<size_t>(seconds * kBytesPerSecond) / 8 * 8;
    if (!waitFor([&] { return fs::exists(mix) && fs::file_size(mix) >= from + bytes; }, kStartTimeout)) return -1;
    const std::string data = EngineTest::readFile(mix).substr(from, bytes);
    double sum = 0;
    for (size_t at = 0; at + 4 <= data.size(); at += 4) {
      float sample;
      std::memcpy(&sample, data.data() + at, 4);
      sum += double(sample) * sample;
    }
    return std::sqrt(sum / double(data.size() / 4));
  }

  // Pixels (every other one, each way) that differ clearly between two shots,
  // leaving out the top-right corner where the frame rate is written.
  static int changedPixels(const Screenshot& a, const Screenshot& b) {
    if (a.width != b.width || a.height != b.height) return a.width * a.height;
    int count = 0;
    for (int y = 0; y < a.height; y += 2)
      for (int x = y < a.height / 4 ? a.width * 4 / 5 : a.width; (x -= 2) >= 0;) {
        const size_t at = (size_t(y) * a.width + x) * 3;
        int sum = 0;
        for (int c = 0; c < 3; ++c) sum += std::abs(int(a.rgb[at + c]) - int(b.rgb[at + c]));
        count += sum > 60;
      }
    return count;
  }

  // Waits until the window has not changed for several frames.
  std::optional<Screenshot> settledShot(unsigned long window) const {
    std::optional<Screenshot> last;
    auto since = std::chrono::steady_clock::now();
    waitFor([&] {
      std::optional<Screenshot> shot = screenshot(window);
      if (!last || !shot || changedPixels(*last, *shot) >= 4) {
        last = std::move(shot);
        since = std::chrono::steady_clock::now();
      }
      return std::chrono::steady_clock::now() - since > 400ms;
    }, kStartTimeout);
    return last;
  }

  size_t keyboardModeLines() const {
    const std::string text = log();
    size_t count = 0;
    for (size_t at = 0; (at = text.find("Setting input mode to 0", at)) != std::string::npos; ++at) ++count;
    return count;
  }

  // Holds `key` down until the window shows a change and has settled again,
  // so that the game (which reads the keys once a frame) has read it even if
  // the change was another's; then lets go. A press without effect is tried
  // again, one with an effect never. An arrow that only brought the input
  // back to the keyboard (the pointer onto the chosen item) is pressed once more.
  bool press(unsigned long window, const std::string& key, int arrowsLeft = 2) {
    // Focused first: without the focus the game pauses and draws no background.
    xdotool("windowfocus --sync " + std::to_string(window));
    const std::optional<Screenshot> before = settledShot(window);
    const size_t modeLines = keyboardModeLines();
    for (int attempt = 0; before && attempt < 3; ++attempt) {
      xdotool("keydown " + key);
      const bool bSeen = waitFor([&] {
        const std::optional<Screenshot> now = screenshot(window);
        return now && changedPixels(*before, *now) > 10;
      }, 10s);
      if (bSeen) settledShot(window);
      xdotool("keyup " + key);
      if (!bSeen) continue;
      const bool bArrow = key == "Left" || key == "Right" || key == "Up" || key == "Down";
      return bArrow && keyboardModeLines() != modeLines && arrowsLeft > 0 ? press(window, key, arrowsLeft - 1) : true;
    }
    ADD_FAILURE() << "no effect of " << key;
    return false;
  }

  bool pressAll(unsigned long window, const std::vector<std::string>& keys) {
    return std::ranges::all_of(keys, [&](const std::string& key) { return press(window, key); });
  }

  fs::path mix;
};

TEST_F(OptionsTest, KeyboardTurnsTheMusicDownSwitchesToAWindowAndBackAndTheChoicesHoldAtTheNextStart) {
  if (!hasXdotool()) GTEST_SKIP() << "xdotool is not installed";
  // The X pointer in the middle of the display, inside the window whether it
  // fills the display or not: a window that leaves the pointer, or comes
  // under it, makes a mouse move, which hands the input to the mouse.
  const WindowGeometry screen = geometryOf(0);
  ASSERT_TRUE(xdotool("mousemove --sync " + std::to_string(screen.screenWidth / 2) + " " +
                      std::to_string(screen.screenHeight / 2)));
  mix = useDiskAudio("first.raw");
  pid_t pid = start();  // the engine's own configuration: full screen
  unsigned long window = waitForWindow(pid);
  ASSERT_TRUE(waitForSound(mix)) << "the title screen plays its music";
  ASSERT_TRUE(waitFor([&] { return geometryOf(window).coversScreen(); }, kStartTimeout));
  const double loud = nextLevel(2);
  ASSERT_GT(loud, 0.01);

  // Title: left of Quit onto Options. In the options the music volume comes
  // second: 100 % to 50 %.
  ASSERT_TRUE(pressAll(window, {"Left", "Return", "Down"}));
  ASSERT_TRUE(pressAll(window, std::vector<std::string>(5, "Left")));
  const double quiet = nextLevel(2);
  EXPECT_LT(quiet, loud * 0.65) << "at once, without a restart";
  EXPECT_GT(quiet, loud * 0.35) << "half as loud, not muted";

  // Down to Advanced; there full screen (second) off, down to Apply.
  const std::vector<std::string> toggleFullScreen = {"Return", "Down", "Right", "Down", "Down",
                                                     "Down",   "Down", "Down",  "Return"};
  ASSERT_TRUE(pressAll(window, {"Down", "Down", "Down"}));
  ASSERT_TRUE(pressAll(window, toggleFullScreen));
  ASSERT_TRUE(waitForLog("Restarting to apply configuration.")) << log();
  WindowGeometry geometry;
  ASSERT_TRUE(waitFor([&] { return !(geometry = geometryOf(window)).coversScreen() && geometry.width > 100; },
                      kStartTimeout))
      << "a window inside the screen: " << geometry.width << "x" << geometry.height;
  // Back in the options, Advanced still chosen: full screen on again.
  ASSERT_TRUE(pressAll(window, toggleFullScreen));
  ASSERT_TRUE(waitFor([&] { return geometryOf(window).coversScreen(); }, kStartTimeout));
  ASSERT_TRUE(pressAll(window, {"Escape"}));  // leaving the options saves them
  ASSERT_TRUE(endsCleanly(pid, window));
  const std::string text = log();
  EXPECT_EQ(text.find("Setting input mode to 1", text.find("Restarting to apply configuration.")), std::string::npos)
      << "the window changing under a still pointer is no mouse move: the keyboard keeps the input";

  GameConfiguration saved;
  ASSERT_TRUE(loadChecksummedFile(&saved, sizeof saved, getUserDataFolder(), u"Skerrion2demo.hst", kSaveVersion));
  EXPECT_FLOAT_EQ(saved.musicVolume, 0.5f);
  EXPECT_FLOAT_EQ(saved.soundVolume, 1.0f);
  EXPECT_EQ(saved.bFullScreen, 1);

  // The next start: full screen, the music as quiet as it was left.
  mix = useDiskAudio("second.raw");
  pid = start();
  window = waitForWindow(pid);
  ASSERT_TRUE(waitForSound(mix));
  EXPECT_TRUE(waitFor([&] { return geometryOf(window).coversScreen(); }, kStartTimeout));
  const double next = nextLevel(2);
  EXPECT_LT(next, loud * 0.65);
  EXPECT_GT(next, loud * 0.35);
  EXPECT_TRUE(endsCleanly(pid, window));
}

}  // namespace
