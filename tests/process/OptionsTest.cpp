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

namespace fs = std::filesystem;
using namespace std::chrono_literals;

namespace {

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
