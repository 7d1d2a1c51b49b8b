#pragma once
// The program as a user meets it, on the display (Xvfb): started from an
// install folder of its own, looked at through screenshots of its window and
// driven with real (XTEST) input through xdotool.
#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <cstdlib>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/EngineFixture.h"

struct _XDisplay;  // Xlib's Display

// A window's pixels, RGB, rows top first.
struct Screenshot {
  int width = 0, height = 0;
  std::vector<uint8_t> rgb;

  // Averages of `block` x `block` squares: small differences of rasterising
  // (and the frame-rate digits) wash out.
  Screenshot reduced(int block) const;
  // Binary PPM.
  bool save(const std::filesystem::path& path) const;
  static std::optional<Screenshot> load(const std::filesystem::path& path);
  // The mean absolute difference per channel (0-255) and the share of pixels
  // whose largest channel difference exceeds `threshold`; the sizes must match.
  double meanDifference(const Screenshot& other) const;
  double shareDifferent(const Screenshot& other, int threshold) const;
};

// A shown window on the screen (root coordinates), and the screen's size; a
// window not shown has no size.
struct WindowGeometry {
  int x = 0, y = 0, width = 0, height = 0;
  int screenWidth = 0, screenHeight = 0;
  bool coversScreen() const { return x == 0 && y == 0 && width == screenWidth && height == screenHeight; }
};

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

// An 800 x 480 window, and the title screen in it averaged over 4 x 4 squares
// (ZIB_UPDATE_REFERENCE=1 writes the picture anew from the running program).
inline constexpr char kWindowed[] = "[ZibGraphics]\nbFullScreen=No\nvideoModeWidth=800\nvideoModeHeight=480\n";
inline const std::filesystem::path kTitleReference = std::filesystem::path(ZIB_TEST_DATA_DIR) / "title-800x480.ppm";
inline constexpr char kGameLoop[] = "createZIB(): Entering game loop.\r\n";

class EndToEndTest : public ::testing::Test {
 protected:
  static constexpr auto kStartTimeout = std::chrono::seconds(30);
  static constexpr auto kExitTimeout = std::chrono::seconds(15);

  void SetUp() override;
  void TearDown() override;

  // Writes the user configuration the next start reads (CRLF lines).
  void writeConfig(const std::string& text) const;
  // Starts the program with `args`; its output goes to output().
  pid_t start(const std::vector<std::string>& args = {});
  // The wait status once it has ended within `timeout`.
  std::optional<int> waitExit(pid_t pid, std::chrono::milliseconds timeout = kExitTimeout);
  static bool exitedWith(std::optional<int> status, int code);
  bool waitForLog(const std::string& text, std::chrono::milliseconds timeout = kStartTimeout) const;
  // Started, and the game loop entered (a failure when it never is).
  pid_t startInGameLoop();
  // The window of `pid` once it has one; 0 (and a failure) when none comes.
  unsigned long waitForWindow(pid_t pid) const;
  // Started windowed (kWindowed), its window showing the title screen; the
  // picture seen is kept in the test's temporary folder when it never matches.
  pid_t startAtTitle(unsigned long& window, Screenshot* title = nullptr);
  // Ended with status 0 and the log's last line saying so, after a close
  // request to `window` (or a SIGTERM when `window` is 0).
  ::testing::AssertionResult endsCleanly(pid_t pid, unsigned long window = 0);
  ::testing::AssertionResult endedCleanly(pid_t pid);  // without asking
  // Holds `keys` until the process ends; its wait status.
  std::optional<int> holdKeysUntilExit(const std::string& keys, pid_t pid);
  // Audio through SDL's disk driver into the install folder's file `name`: its path.
  std::filesystem::path useDiskAudio(const std::string& name);
  // Whether the last 4 KB written to `mix` hold sound (the title screen's music) within the start timeout.
  bool waitForSound(const std::filesystem::path& mix) const;
  // Where the program's single-copy lock may lie, in the order it tries them.
  std::vector<std::filesystem::path> lockPaths() const;
  static bool hasXdotool() { return std::system("command -v xdotool >/dev/null 2>&1") == 0; }

  std::string userFile(const std::string& name) const { return EngineTest::readFile(userFolder / name); }
  std::string log() const { return userFile("Skerrion2demo.log"); }
  std::string output() const { return EngineTest::readFile(installFolder / "output.txt"); }

  // The X window of the process; 0 when it has none.
  unsigned long windowOf(pid_t pid) const;
  WindowGeometry geometryOf(unsigned long window) const;
  std::optional<Screenshot> screenshot(unsigned long window) const;
  // Waits until the window looks like `reference` (reduced by 4, within the
  // tolerances of matches()); the last screenshot comes back in `last`.
  bool waitForPicture(unsigned long window, const Screenshot& reference, Screenshot* last,
                      std::chrono::milliseconds timeout = kStartTimeout) const;
  static bool matches(const Screenshot& reduced, const Screenshot& reference);
  // Asks the window to close, as a window manager's close button does.
  bool closeWindow(unsigned long window) const;
  // Destroys the window from outside; the display goes on.
  void destroyWindow(unsigned long window) const;
  // Closes the connection of the window's program to the display (as xkill does).
  void killClientOf(unsigned long window) const;
  // Writes the first key of the display's keyboard map back as it is: every
  // client is sent the change, as by setxkbmap. False when it could not be sent.
  static bool rewriteKeyboardMap(const std::string& displayName);
  // A real left click at window pixel (x, y), held for several frames, once the program has taken
  // the mouse: the pointer is moved until the log says mouse, then onto the target.
  bool clickAt(unsigned long window, int x, int y) const;
  // Holds `keys` ("Shift_R+F9") down until `seen` holds, then lets them go:
  // the game reads the keyboard once a frame, so a press is held until its
  // effect shows rather than for a guessed time. False when it never showed.
  bool holdKeysUntil(const std::string& keys, const std::function<bool()>& seen,
                     std::chrono::milliseconds timeout = kStartTimeout) const;
  // Whether the window, reduced by 4, now differs from `before` (a frame has shown a change).
  bool pictureChangedFrom(unsigned long window, const Screenshot& before) const;
  // xdotool with these arguments; true when it succeeded.
  static bool xdotool(const std::string& arguments);

  std::filesystem::path installFolder, program, userFolder;
  std::vector<std::string> environment;
  std::vector<pid_t> running;
  // Started without the rights that let root write any folder (as root),
  // so that a read-only folder is one for the program too.
  bool bWithoutFileRights = false;
  TempDataHome dataHome;  // inherited by the program
  // A connection held open: an X server resets when its last client leaves,
  // and a program started meanwhile finds no display.
  void* keepDisplay = nullptr;
  _XDisplay* display() const;  // keepDisplay
};
