#pragma once
// The program as a user meets it, on the display (Xvfb): started from an
// install folder of its own, looked at through screenshots of its window and
// driven with real (XTEST) input through xdotool.
#include <gtest/gtest.h>
#include <sys/types.h>

#include <chrono>
#include <cstdint>
#include <filesystem>
#include <functional>
#include <optional>
#include <string>
#include <vector>

#include "support/EngineFixture.h"

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

bool waitFor(const std::function<bool()>& condition, std::chrono::milliseconds timeout);

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

  std::string userFile(const std::string& name) const { return EngineTest::readFile(userFolder / name); }
  std::string log() const { return userFile("Skerrion2demo.log"); }
  std::string output() const { return EngineTest::readFile(installFolder / "output.txt"); }

  // The X window of the process; 0 when it has none.
  unsigned long windowOf(pid_t pid) const;
  // Its size on the screen.
  bool windowSize(unsigned long window, int& width, int& height) const;
  std::optional<Screenshot> screenshot(unsigned long window) const;
  // Waits until the window looks like `reference` (reduced by 4, within the
  // tolerances of matches()); the last screenshot comes back in `last`.
  bool waitForPicture(unsigned long window, const Screenshot& reference, Screenshot* last,
                      std::chrono::milliseconds timeout = kStartTimeout) const;
  static bool matches(const Screenshot& reduced, const Screenshot& reference);
  // Asks the window to close, as a window manager's close button does.
  static bool closeWindow(unsigned long window);
  // Destroys the window from outside; the display goes on.
  static bool destroyWindow(unsigned long window);
  // Closes the connection of the window's program to the display (as xkill does).
  static bool killClientOf(unsigned long window);
  // A real left click at window pixel (x, y), held for several frames: the pointer comes in from
  // outside the window, as a hand's would, so that the window sees it enter.
  static bool clickAt(unsigned long window, int x, int y);
  // Holds `keys` ("Shift_R+F9") down until `seen` holds, then lets them go:
  // the game reads the keyboard once a frame, so a press is held until its
  // effect shows rather than for a guessed time. False when it never showed.
  static bool holdKeysUntil(const std::string& keys, const std::function<bool()>& seen,
                            std::chrono::milliseconds timeout = kStartTimeout);
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
};
