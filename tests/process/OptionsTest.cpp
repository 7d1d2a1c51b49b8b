// The options screens as a keyboard player meets them under Xvfb: the music
// turned down is heard quieter in the mix, full screen goes off and on again
// through the advanced screen with the window following, and both hold at
// the next start.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <string>
#include <vector>

#include "app/GameConfiguration.h"
#include "app/Global.h"
#include "engine/SaveContainer.h"
#include "engine/SystemInfo.h"
#include "process/EndToEnd.h"

// Last: Xlib's macros (None, Status, True...) would clash with the headers above.
#include <X11/Xlib.h>

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

class OptionsTest : public EndToEndTest {
 protected:
  // The mix as the disk audio output writes it: 32-bit float stereo at the default 22050 Hz.
  static constexpr size_t kBytesPerSecond = 22050 * 2 * 4;

  void useDiskAudio(const std::string& name) {
    mix = installFolder / name;
    std::erase_if(environment, [](const std::string& v) { return v.starts_with("SDL_AUDIODRIVER=") ||
                                                                 v.starts_with("SDL_DISKAUDIOFILE="); });
    environment.push_back("SDL_AUDIODRIVER=disk");
    environment.push_back("SDL_DISKAUDIOFILE=" + mix.string());
  }

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

  // Once the title screen is up its music plays.
  bool waitForMusic() const {
    return waitFor([&] {
      const std::string bytes = EngineTest::readFile(mix);
      return bytes.find_first_not_of('\0', bytes.size() > 4096 ? bytes.size() - 4096 : 0) != std::string::npos;
    }, kStartTimeout);
  }

  bool coversScreen(unsigned long window) const {
    int width = 0, height = 0;
    Display* display = static_cast<Display*>(keepDisplay);
    return windowSize(window, width, height) && width == DisplayWidth(display, DefaultScreen(display)) &&
           height == DisplayHeight(display, DefaultScreen(display));
  }

  // Pixels that differ clearly between two shots of the same size, leaving out
  // the top-right corner where the frame rate is written.
  static int changedPixels(const Screenshot& a, const Screenshot& b) {
    if (a.width != b.width || a.height != b.height) return a.width * a.height;
    int count = 0;
    for (int y = 0; y < a.height; ++y)
      for (int x = y < a.height / 4 ? a.width * 4 / 5 : a.width; x-- > 0;) {
        const size_t at = (size_t(y) * a.width + x) * 3;
        count += std::abs(int(a.rgb[at]) - int(b.rgb[at])) + std::abs(int(a.rgb[at + 1]) - int(b.rgb[at + 1])) +
                     std::abs(int(a.rgb[at + 2]) - int(b.rgb[at + 2])) > 60;
      }
    return count;
  }

  // Waits until two shots in a row look alike: the screen has settled.
  std::optional<Screenshot> settledShot(unsigned long window) const {
    std::optional<Screenshot> last, shot;
    waitFor([&] {
      last = std::move(shot);
      shot = screenshot(window);
      return last && shot && changedPixels(*last, *shot) < 8;
    }, kStartTimeout);
    return shot;
  }

  // Holds `key` down until the window shows what it did, then lets go. A press
  // the game missed (it reads the keys once a frame) is tried again; a press
  // it saw is never repeated, since only a press without effect is.
  bool press(unsigned long window, const std::string& key) {
    // Focused first: without the focus the game pauses and draws no background.
    xdotool("windowfocus --sync " + std::to_string(window));
    const std::optional<Screenshot> before = settledShot(window);
    if (!before) return false;
    for (int attempt = 0; attempt < 3; ++attempt) {
      xdotool("keydown " + key);
      const bool bSeen = waitFor([&] {
        const std::optional<Screenshot> now = screenshot(window);
        return now && changedPixels(*before, *now) > 30;
      }, 10s);
      xdotool("keyup " + key);
      if (bSeen) return true;
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
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
  useDiskAudio("first.raw");
  pid_t pid = start();  // the engine's own configuration: full screen
  unsigned long window = 0;
  ASSERT_TRUE(waitFor([&] { return (window = windowOf(pid)) != 0; }, kStartTimeout)) << output();
  ASSERT_TRUE(waitForMusic()) << "the title screen plays its music";
  ASSERT_TRUE(waitFor([&] { return coversScreen(window); }, kStartTimeout));
  const double loud = nextLevel(2);
  ASSERT_GT(loud, 0.01);

  // Title: the first key shows the pointer on Quit, the next one moves left
  // onto Options. In the options the music volume comes second: 100 % to 30 %.
  ASSERT_TRUE(pressAll(window, {"Left", "Left", "Return", "Down"}));
  ASSERT_TRUE(pressAll(window, std::vector<std::string>(7, "Left")));
  const double quiet = nextLevel(2);
  EXPECT_LT(quiet, loud * 0.5) << "at once, without a restart";
  EXPECT_GT(quiet, loud * 0.1) << "quieter, not muted";

  // Down to Advanced; there full screen (second) off, down to Apply.
  const std::vector<std::string> toggleFullScreen = {"Return", "Down", "Right", "Down", "Down",
                                                     "Down",   "Down", "Down",  "Return"};
  ASSERT_TRUE(pressAll(window, {"Down", "Down", "Down"}));
  ASSERT_TRUE(pressAll(window, toggleFullScreen));
  ASSERT_TRUE(waitForLog("Restarting to apply configuration.")) << log();
  int width = 0, height = 0;
  ASSERT_TRUE(waitFor([&] { return windowSize(window, width, height) && !coversScreen(window) && width > 100; },
                      kStartTimeout))
      << "a window inside the screen: " << width << "x" << height;
  // Back in the options, Advanced still chosen: full screen on again.
  ASSERT_TRUE(pressAll(window, toggleFullScreen));
  ASSERT_TRUE(waitFor([&] { return coversScreen(window); }, kStartTimeout));
  ASSERT_TRUE(pressAll(window, {"Escape"}));  // leaving the options saves them
  ASSERT_TRUE(closeWindow(window));
  ASSERT_TRUE(exitedWith(waitExit(pid), 0)) << output();

  GameConfiguration saved;
  ASSERT_TRUE(loadChecksummedFile(&saved, sizeof saved, getUserDataFolder(), u"Skerrion2demo.hst", kSaveVersion));
  EXPECT_FLOAT_EQ(saved.musicVolume, 0.3f);
  EXPECT_FLOAT_EQ(saved.soundVolume, 1.0f);
  EXPECT_EQ(saved.bFullScreen, 1);

  // The next start: full screen, the music as quiet as it was left.
  useDiskAudio("second.raw");
  pid = start();
  ASSERT_TRUE(waitFor([&] { return (window = windowOf(pid)) != 0; }, kStartTimeout)) << output();
  ASSERT_TRUE(waitForMusic());
  EXPECT_TRUE(waitFor([&] { return coversScreen(window); }, kStartTimeout));
  const double next = nextLevel(2);
  EXPECT_LT(next, loud * 0.5);
  EXPECT_GT(next, loud * 0.1);
  ASSERT_TRUE(closeWindow(window));
  ASSERT_TRUE(exitedWith(waitExit(pid), 0)) << output();
}

}  // namespace
