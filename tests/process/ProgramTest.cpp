// The program itself, run as a child process on the display (Xvfb): its
// start-up and shutdown, the files it leaves, the single-instance check, and
// how it ends on a crash and on a fatal error.
#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/stat.h>
#include <sys/wait.h>
#include <unistd.h>

#include <chrono>
#include <filesystem>
#include <optional>
#include <string>
#include <thread>
#include <vector>

#include "process/EndToEnd.h"
#include "app/Global.h"
#include "engine/SaveContainer.h"
#include "engine/SystemInfo.h"

namespace fs = std::filesystem;
using namespace std::chrono_literals;

constexpr char kBom[] = "\xEF\xBB\xBF";

class ProgramTest : public EndToEndTest {
 protected:
  // Waits until the log has not grown for 300 ms; returns its size.
  uintmax_t waitForLogToSettle() {
    uintmax_t settled = 0;
    waitFor([&] {
      const uintmax_t size = fs::file_size(userFolder / "Skerrion2demo.log");
      std::this_thread::sleep_for(300ms);
      return (settled = fs::file_size(userFolder / "Skerrion2demo.log")) == size;
    }, kStartTimeout);
    return settled;
  }

  // The configuration, high scores and profiles, as the next start reads them back.
  void expectUserFilesWritten() const {
    EXPECT_TRUE(userFile("Skerrion2demo.cfg").starts_with(std::string(kBom) + "[Zib]\r\n"));
    std::vector<uint8_t> record(94248);
    EXPECT_TRUE(loadChecksummedFile(record.data(), 14696, getUserDataFolder(), u"Skerrion2demo.hst", kSaveVersion));
    EXPECT_TRUE(loadChecksummedFile(record.data(), 94248, getUserDataFolder(), u"Skerrion2demo.pro", kSaveVersion));
  }
};

TEST_F(ProgramTest, TerminateSignalShutsDownCleanlyAndLeavesItsFilesTheDiskAudioDriverHoldsTheTitleMusic) {
  const fs::path mix = useDiskAudio("audio.raw");
  const pid_t pid = startInGameLoop();
  ASSERT_TRUE(waitForLog("FontGDI::FontGDI(): Font '")) << "the loading screen's first frames";
  // Loading takes a few frames; then the music plays from the title screen.
  EXPECT_TRUE(waitForSound(mix));
  ASSERT_TRUE(endsCleanly(pid));

  const std::string text = log();
  EXPECT_TRUE(text.starts_with(std::string(kBom) + "\tApplication: Skerrion2demo v2.79")) << text.substr(0, 80);
  EXPECT_NE(text.find("Zib::~Zib(): Rendered "), std::string::npos) << "frames ran";
  EXPECT_NE(text.find("ZibAudio::ZibAudio(): ...success!"), std::string::npos);

  const std::string config = userFile("Skerrion2demo.cfg");
  EXPECT_TRUE(config.starts_with(std::string(kBom) + "[Zib]\r\n")) << config;
  for (size_t at = config.find('\n'); at != std::string::npos; at = config.find('\n', at + 1))
    ASSERT_TRUE(at > 0 && config[at - 1] == '\r') << "bare line feed at byte " << at;
  for (const char* line : {"\r\nwarning=Do NOT modify this file unless you are explicitly instructed to do so!\r\n",
                           "\r\ndebugLevel=0\r\n", "\r\ndebugCode=1\r\n", "\r\ndefaultLanguage=",
                           "\r\nbTickWhilePaused=No\r\n", "\r\nbEnableDelayedLoad=Yes\r\n", "\r\n[ZibGraphics]\r\n",
                           "\r\n[ZibInput]\r\nbTrackKeyboard=Yes\r\nbTrackJoystick=Yes\r\njoystickDeadZone=0.20000000\r\n"
                           "repeatRate=0.10000000\r\nrepeatDelay=0.25000000\r\n",
                           "\r\n[ZibAudio]\r\nbNoAudio=No\r\nfrequency=22050\r\nchannels=32\r\n"})
    EXPECT_NE(config.find(line), std::string::npos) << line;

  expectUserFilesWritten();
  for (const auto& entry : fs::directory_iterator(userFolder)) {
    EXPECT_NE(entry.path().extension(), ".tmp") << "replaced by rename";
    EXPECT_FALSE(entry.path().filename().string().starts_with("crash.")) << "a clean exit is no crash";
  }
}

// The launching terminal closed, the window destroyed by another program:
// both end as a close request does. A lost display connection ends at once,
// but the user's files are saved first.
TEST_F(ProgramTest, HangUpADestroyedWindowAndALostDisplayConnectionSaveTheUserFiles) {
  for (const std::string how : {"hang-up", "destroyed", "lost"}) {
    SCOPED_TRACE(how);
    const pid_t pid = startInGameLoop();
    const unsigned long window = waitForWindow(pid);
    EXPECT_FALSE(fs::exists(userFolder / "Skerrion2demo.pro")) << "none of the user's files written yet";
    if (how == "hang-up") kill(pid, SIGHUP);
    if (how == "destroyed") destroyWindow(window);
    if (how == "lost") {
      killClientOf(window);
      ASSERT_TRUE(exitedWith(waitExit(pid), 1)) << output();
      EXPECT_NE(output().find("the connection to the display was lost"), std::string::npos) << output();
      const std::string text = log();
      EXPECT_NE(text.find("onEndSession(): The session has ended: saving the user's files.\r\n"), std::string::npos);
      EXPECT_TRUE(text.ends_with("onEndSession(): Saved; the program ends without its shutdown.\r\n"))
          << text.substr(text.size() / 2);
    } else {
      ASSERT_TRUE(endedCleanly(pid));
    }
    expectUserFilesWritten();
    for (const char* name : {"Skerrion2demo.cfg", "Skerrion2demo.hst", "Skerrion2demo.pro", "Skerrion2demo.log"})
      fs::remove(userFolder / name);
  }
}

// A display lost while SDL makes the window faults in the GL driver, which
// reads the empty reply of the dead connection: a fault once the display
// server has gone ends as the lost connection does, and is no crash. Sent
// while the program is stopped, on a display of its own; also after a change
// of the keyboard map, whose event every client is sent unasked, and on
// another thread while the lost connection's handler saves: it ends once,
// the files saved whole.
TEST_F(ProgramTest, AFaultOnceTheDisplayServerHasGoneEndsAsTheLostConnection) {
  constexpr char kLost[] = "Skerrion 2: the connection to the display was lost.\n";
  for (const std::string how : {"fault", "fault after a keyboard map change", "fault while saving"}) {
    SCOPED_TRACE(how);
    int numberPipe[2];  // Xvfb picks a free display and writes its number here
    ASSERT_EQ(pipe(numberPipe), 0);
    const std::string numberFd = std::to_string(numberPipe[1]);
    const char* serverArgs[] = {"Xvfb", "-displayfd", numberFd.c_str(), "-nolisten", "tcp", nullptr};
    pid_t server = 0;
    const bool bStarted = posix_spawnp(&server, "Xvfb", nullptr, nullptr, const_cast<char**>(serverArgs), environ) == 0;
    close(numberPipe[1]);
    char number[16] = {};
    const bool bReady = bStarted && read(numberPipe[0], number, sizeof(number) - 1) > 0;
    close(numberPipe[0]);
    if (bStarted) running.push_back(server);  // ended with the test
    if (!bReady) GTEST_SKIP() << "no Xvfb";
    const std::string displayName = ":" + std::to_string(std::atoi(number));
    std::erase_if(environment, [](const std::string& variable) { return variable.starts_with("DISPLAY="); });
    environment.push_back("DISPLAY=" + displayName);
    for (const char* name : {"Skerrion2demo.log", "Skerrion2demo.cfg", "Skerrion2demo.hst", "Skerrion2demo.pro"})
      fs::remove(userFolder / name);
    fs::remove(installFolder / "output.txt");
    const pid_t pid = startInGameLoop();
    if (how == "fault after a keyboard map change") {
      ASSERT_TRUE(rewriteKeyboardMap(displayName));
    }
    kill(pid, SIGSTOP);
    kill(server, SIGKILL);
    waitExit(server);
    if (how != "fault while saving") kill(pid, SIGSEGV);
    kill(pid, SIGCONT);
    if (how == "fault while saving") {
      // At once: the save takes a few milliseconds.
      for (const auto end = std::chrono::steady_clock::now() + kExitTimeout;
           log().find("saving the user's files.") == std::string::npos && std::chrono::steady_clock::now() < end;) {}
      pid_t other = 0;
      for (const auto& task : fs::directory_iterator("/proc/" + std::to_string(pid) + "/task"))
        if (std::stoi(task.path().filename()) != pid) other = std::stoi(task.path().filename());
      EXPECT_EQ(tgkill(pid, other, SIGSEGV), 0);
    }
    ASSERT_TRUE(exitedWith(waitExit(pid), 1)) << output();
    const std::string said = output();
    const size_t lost = said.find(kLost);
    EXPECT_TRUE(lost != std::string::npos && said.find(kLost, lost + 1) == std::string::npos) << "said once: " << said;
    EXPECT_FALSE(fs::exists(userFolder / "crash.Skerrion2demo.mdmp"));
    if (how == "fault while saving") expectUserFilesWritten();
  }
}

TEST_F(ProgramTest, AReadOnlyUserFolderLogsEachFileThatCouldNotBeSaved) {
  bWithoutFileRights = true;
  const pid_t pid = startInGameLoop();
  using fs::perms;
  fs::permissions(userFolder, perms::owner_read | perms::owner_exec | perms::group_read | perms::group_exec);
  const ::testing::AssertionResult ended = endsCleanly(pid);
  fs::permissions(userFolder, perms::owner_all | perms::group_all | perms::others_read | perms::others_exec);
  ASSERT_TRUE(ended);
  // The temporary file beside each is what could not be made.
  for (const char* name : {"Skerrion2demo.cfg", "Skerrion2demo.hst", "Skerrion2demo.pro"})
    EXPECT_NE(log().find("/2.79/" + std::string(name) + ".tmp: Permission denied\r\n"), std::string::npos) << name;
}

TEST_F(ProgramTest, DebugCodeOpensTheConsoleWithLeftShiftGraveAndItRunsTypedCommands) {
  if (!hasXdotool()) GTEST_SKIP() << "xdotool is not installed";
  EngineTest::writeFile(userFolder / "Skerrion2demo.cfg", "[Zib]\r\ndebugCode=40917\r\n");
  const pid_t pid = startInGameLoop();
  EXPECT_NE(log().find("Console::addLine(): > sizeof(bool)=1\r\n"), std::string::npos) << "the size lines";
  const unsigned long window = waitForWindow(pid);
  ASSERT_TRUE(xdotool("windowfocus --sync " + std::to_string(window)));
  waitForLogToSettle();
  // Held until the console shows.
  const std::optional<Screenshot> before = screenshot(window);
  ASSERT_TRUE(before);
  ASSERT_TRUE(holdKeysUntil("Shift_L+grave", [&] { return pictureChangedFrom(window, before->reduced(4)); }));
  // The game takes one typed character a frame: they come slower than frames.
  ASSERT_TRUE(xdotool("type --delay 200 nonsense"));
  ASSERT_TRUE(holdKeysUntil("Return", [&] { return log().find("nonsense\r\n") != std::string::npos; })) << log();
  const std::string text = log();
  const size_t unknown = text.find("Console::addLine(): > Unknown command: ");
  ASSERT_NE(unknown, std::string::npos) << text;
  EXPECT_EQ(text.substr(unknown, text.find('\r', unknown) - unknown),
            "Console::addLine(): > Unknown command: nonsense");
  ASSERT_TRUE(xdotool("type --delay 200 crash"));
  EXPECT_TRUE(exitedWith(holdKeysUntilExit("Return", pid), 255)) << output();
  EXPECT_NE(log().find("Crash requested."), std::string::npos);
}

TEST_F(ProgramTest, SecondCopyEndsAtOnceAndACrashOfTheFirstWritesMinidumpAndCrashLog) {
  const pid_t first = startInGameLoop();
  // The first frames still log (the pointer over the full-screen window
  // switches the input mode): the size is taken once the log has settled.
  const uintmax_t logSize = waitForLogToSettle();

  const size_t said = output().size();
  EXPECT_TRUE(exitedWith(waitExit(start(), kStartTimeout), 0)) << output();
  EXPECT_EQ(output().substr(said), "Skerrion 2 is running already: process " + std::to_string(first) + ".\n");
  EXPECT_EQ(fs::file_size(userFolder / "Skerrion2demo.log"), logSize) << "the second copy wrote no log";
  EXPECT_EQ(waitpid(first, nullptr, WNOHANG), 0) << "the first copy still runs";

  // The filter takes a fault signal sent by another process as a crash.
  kill(first, SIGSEGV);
  const std::optional<int> status = waitExit(first);
  ASSERT_TRUE(status);
  EXPECT_TRUE(WIFSIGNALED(*status) && WTERMSIG(*status) == SIGSEGV) << "ends as it would without the filter";
  EXPECT_TRUE(userFile("crash.Skerrion2demo.mdmp").starts_with("MDMP"));
  const std::string crashLog = userFile("crash.Skerrion2demo.log");
  EXPECT_EQ(crashLog, log());
  EXPECT_NE(crashLog.find(kGameLoop), std::string::npos);
}

// A double click on a launcher: exactly one of the two copies runs, and the
// other names it. Three rounds, since a start's timing varies.
TEST_F(ProgramTest, OfTwoCopiesStartedTogetherExactlyOneRunsWhateverTheirEnvironmentOrTheLocksPlace) {
  const std::vector<std::string> common = environment;
  const fs::path runtime = dataHome.path() / "runtime", otherHome = dataHome.path() / "other";
  fs::create_directory(runtime);
  fs::permissions(runtime, fs::perms::owner_all);
  const std::vector<fs::path> locks = lockPaths();
  // The second copy's environment differs; then no regular file is where the
  // lock goes first, then nowhere, and the process list decides.
  for (const size_t broken : {0, 0, 1, 2}) {
    SCOPED_TRACE(broken);
    for (size_t i = 0; i < broken && i < locks.size(); ++i) {
      fs::create_directories(locks[i].parent_path());
      ASSERT_EQ(mkfifo(locks[i].c_str(), 0600), 0);
    }
    const size_t said = output().size();
    const pid_t first = start();
    environment.push_back("XDG_RUNTIME_DIR=" + runtime.string());
    environment.push_back("XDG_DATA_HOME=" + otherHome.string());
    const pid_t copies[] = {first, start()};
    environment = common;
    std::optional<int> status;
    pid_t yielded = 0;
    waitFor([&] {
      for (pid_t pid : copies)
        if ((status = waitExit(pid, 0ms))) return yielded = pid, true;
      return false;
    }, kStartTimeout);
    const pid_t runs = yielded == copies[0] ? copies[1] : copies[0];
    ASSERT_TRUE(exitedWith(status, 0)) << output();
    EXPECT_EQ(output().substr(said), "Skerrion 2 is running already: process " + std::to_string(runs) + ".\n");
    ASSERT_FALSE(waitExit(runs, 1s)) << "the other copy runs on: " << output();
    kill(runs, SIGKILL);
    waitExit(runs);
    for (const fs::path& lock : locks) fs::remove(lock);
  }
}

TEST_F(ProgramTest, FullScreenCoversTheDisplayWithoutAWindowManager) {
  // Xvfb runs no window manager: nobody carries out a full-screen request.
  // The default configuration, then windowed, then full screen again.
  for (const char* mode : {"default", "No", "Yes"}) {
    SCOPED_TRACE(mode);
    if (mode != std::string("default")) writeConfig(std::string("[ZibGraphics]\nbFullScreen=") + mode + "\n");
    fs::remove(userFolder / "Skerrion2demo.hst");  // else the game's saved settings would override the configuration
    const pid_t pid = startInGameLoop();
    const bool bFullScreen = mode != std::string("No");
    WindowGeometry geometry;
    waitFor([&] { return (geometry = geometryOf(windowOf(pid))).coversScreen() == bFullScreen && geometry.width > 0; }, 3s);
    EXPECT_EQ(geometry.coversScreen(), bFullScreen)
        << geometry.width << "x" << geometry.height << " at " << geometry.x << "," << geometry.y << " on "
        << geometry.screenWidth << "x" << geometry.screenHeight;
    if (!bFullScreen) {  // a window inside the screen
      EXPECT_GT(geometry.width, 100);
      EXPECT_LE(geometry.x + geometry.width, geometry.screenWidth);
      EXPECT_LE(geometry.y + geometry.height, geometry.screenHeight);
    }
    ASSERT_TRUE(endsCleanly(pid));
    fs::remove(userFolder / "Skerrion2demo.log");  // the next run's "Entering game loop." is its own
  }
}

TEST_F(ProgramTest, AFatalErrorsBoxWaitsUntilATerminateRequestAndWithoutItEndsWithStatus255) {
  // The report's message box on the display, as a user would see it.
  std::erase_if(environment, [](const std::string& variable) {
    return variable.starts_with("ZIB_NO_MESSAGE_BOX=") || variable.starts_with("CI=");
  });
  // Start-up then fails on the missing key "hq2x".
  const fs::path staticConfig = installFolder / "Skerrion2demo.cfg.static";
  std::string config = EngineTest::readFile(staticConfig);
  const size_t key = config.find("hq2x=");
  ASSERT_NE(key, std::string::npos);
  EngineTest::writeFile(staticConfig, config.erase(key, config.find('\n', key) - key));
  const char* error = "Key 'hq2x' could not be found in section 'Graphics'.";
  const pid_t pid = start();
  ASSERT_TRUE(waitForLog(error)) << log();
  EXPECT_FALSE(waitExit(pid, 500ms)) << "the box waits: " << output();
  kill(pid, SIGTERM);
  ASSERT_TRUE(exitedWith(waitExit(pid), 255)) << output();
  EXPECT_TRUE(log().ends_with("ErrorManager::error(): Forced exit.\r\n")) << log();
  // The lock went with the process: the next start (reporting to its output
  // this time) fails on the same key instead of ending as a second copy.
  environment.emplace_back("ZIB_NO_MESSAGE_BOX=1");
  const size_t said = output().size();
  fs::remove(userFolder / "Skerrion2demo.log");
  ASSERT_TRUE(exitedWith(waitExit(start(), kStartTimeout), 255)) << output();
  EXPECT_NE(log().find(error), std::string::npos) << log();
  EXPECT_NE(output().find(error, said), std::string::npos) << "shown in place of the message box: " << output();
  EXPECT_FALSE(fs::exists(userFolder / "crash.Skerrion2demo.mdmp")) << "a reported failure is no crash";
}
