// The screens a player meets, under Xvfb: the loading screen seen, the
// window's icon, the language question answered with the keyboard, then with clicks.
#include <gtest/gtest.h>

#include <string>
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
  const std::vector<unsigned long> icon = iconOf(display(), window);
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

TEST_F(ScreensTest, TheKeyboardAloneAnswersTheLanguageQuestionAndClicksChooseGerman) {
  unsigned long window = 0;
  Screenshot title;
  const pid_t pid = startAtTitle(window, &title);
  const std::string id = std::to_string(window);
  const auto looksLikeTitle = [&] {
    const std::optional<Screenshot> shot = screenshot(window);
    return shot && shot->width == 800 && shot->reduced(4).meanDifference(title) < 8;
  };
  // A new engine (a new log) asks with the flags.
  const auto flagsShown = [&] {
    return waitFor([&] { return !looksLikeTitle() && log().find("Entering game loop.") != std::string::npos &&
                                log().find("ZIB shutting down") == std::string::npos; },
                   kStartTimeout);
  };
  // The pointer onto the first button (Quit), right to the language button, press.
  ASSERT_TRUE(xdotool("windowfocus --sync " + id + " " + tap("Down") + " " + tap("Right") + " " + tap("Return")));
  ASSERT_TRUE(flagsShown());
  const auto borderRed = [&] {
    const std::optional<Screenshot> shot = screenshot(window);
    return shot && shot->width == 800 ? int(shot->rgb[(size_t(kFlagMiddleY) * 800 + kEnglishFlagBorderX) * 3]) : -1;
  };
  ASSERT_TRUE(waitFor([&] { const int red = borderRed(); return red >= 0 && red < 80; }, kStartTimeout))
      << "the flags, none under the pointer";
  // The first key brings the pointer onto the flag of the language in use (English); Enter takes it.
  ASSERT_TRUE(xdotool("windowfocus --sync " + id + " " + tap("Right")));
  EXPECT_TRUE(waitFor([&] { return borderRed() > 200; }, kStartTimeout)) << "the pointer on the English flag";
  ASSERT_TRUE(xdotool("windowfocus --sync " + id + " " + tap("Return")));
  ASSERT_TRUE(waitFor(looksLikeTitle, kStartTimeout));
  // Clicks: the button named after the language (right of Quit), then the German flag.
  ASSERT_TRUE(clickAt(window, 660, 420));
  ASSERT_TRUE(flagsShown());
  ASSERT_TRUE(clickAt(window, kGermanFlagX, kFlagMiddleY));
  ASSERT_TRUE(waitFor(looksLikeTitle, kStartTimeout)) << "the title again, in German (its words: AssetCheckTest)";
  EXPECT_TRUE(endsCleanly(pid, window));
  EXPECT_NE(userFile("Skerrion2demo.cfg").find("\r\ndefaultLanguage=1\r\n"), std::string::npos);
}

}  // namespace
