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
#include <X11/Xutil.h>

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

  // The window's pixels as the X server holds them: cheap enough to take many
  // times a second even in a sanitizer build.
  struct Shot {
    int width = 0, height = 0;
    std::vector<uint32_t> pixels;
  };
  std::optional<Shot> grab(unsigned long window) const {
    Display* display = static_cast<Display*>(keepDisplay);
    XWindowAttributes attributes{};
    if (!XGetWindowAttributes(display, window, &attributes) || attributes.map_state != IsViewable) return std::nullopt;
    XImage* image = XGetImage(display, window, 0, 0, attributes.width, attributes.height, AllPlanes, ZPixmap);
    if (!image) return std::nullopt;
    std::optional<Shot> shot;
    if (image->bits_per_pixel == 32) {
      shot.emplace(Shot{image->width, image->height, std::vector<uint32_t>(size_t(image->width) * image->height)});
      for (int y = 0; y < image->height; ++y)
        std::memcpy(&shot->pixels[size_t(y) * image->width], image->data + size_t(y) * image->bytes_per_line,
                    size_t(image->width) * 4);
    }
    XDestroyImage(image);
    return shot;
  }

  // Pixels (every other one, each way) that differ clearly between two shots,
  // leaving out the top-right corner where the frame rate is written.
  static int changedPixels(const Shot& a, const Shot& b) {
    if (a.width != b.width || a.height != b.height) return a.width * a.height;
    int count = 0;
    for (int y = 0; y < a.height; y += 2)
      for (int x = y < a.height / 4 ? a.width * 4 / 5 : a.width; (x -= 2) >= 0;) {
        const uint32_t p = a.pixels[size_t(y) * a.width + x], q = b.pixels[size_t(y) * b.width + x];
        int sum = 0;
        for (int shift = 0; shift < 24; shift += 8) sum += std::abs(int((p >> shift) & 0xFF) - int((q >> shift) & 0xFF));
        count += sum > 60;
      }
    return count;
  }

  // Waits until the window has not changed for several frames.
  std::optional<Shot> settledShot(unsigned long window) const {
    std::optional<Shot> last;
    auto since = std::chrono::steady_clock::now();
    waitFor([&] {
      std::optional<Shot> shot = grab(window);
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
    const std::optional<Shot> before = settledShot(window);
    const size_t modeLines = keyboardModeLines();
    for (int attempt = 0; before && attempt < 3; ++attempt) {
      xdotool("keydown " + key);
      const bool bSeen = waitFor([&] {
        const std::optional<Shot> now = grab(window);
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
  if (std::system("command -v xdotool >/dev/null 2>&1") != 0) GTEST_SKIP() << "xdotool is not installed";
  // The X pointer in the middle of the display, inside the window whether it
  // fills the display or not: a window that leaves the pointer, or comes
  // under it, makes a mouse move, which hands the input to the mouse.
  Display* display = static_cast<Display*>(keepDisplay);
  ASSERT_TRUE(xdotool("mousemove --sync " + std::to_string(DisplayWidth(display, 0) / 2) + " " +
                      std::to_string(DisplayHeight(display, 0) / 2)));
  useDiskAudio("first.raw");
  pid_t pid = start();  // the engine's own configuration: full screen
  unsigned long window = 0;
  ASSERT_TRUE(waitFor([&] { return (window = windowOf(pid)) != 0; }, kStartTimeout)) << output();
  ASSERT_TRUE(waitForMusic()) << "the title screen plays its music";
  ASSERT_TRUE(waitFor([&] { return coversScreen(window); }, kStartTimeout));
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
  EXPECT_FLOAT_EQ(saved.musicVolume, 0.5f);
  EXPECT_FLOAT_EQ(saved.soundVolume, 1.0f);
  EXPECT_EQ(saved.bFullScreen, 1);

  // The next start: full screen, the music as quiet as it was left.
  useDiskAudio("second.raw");
  pid = start();
  ASSERT_TRUE(waitFor([&] { return (window = windowOf(pid)) != 0; }, kStartTimeout)) << output();
  ASSERT_TRUE(waitForMusic());
  EXPECT_TRUE(waitFor([&] { return coversScreen(window); }, kStartTimeout));
  const double next = nextLevel(2);
  EXPECT_LT(next, loud * 0.65);
  EXPECT_GT(next, loud * 0.35);
  ASSERT_TRUE(closeWindow(window));
  ASSERT_TRUE(exitedWith(waitExit(pid), 0)) << output();
}

}  // namespace
