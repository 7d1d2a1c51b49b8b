#include "engine/AppShell.h"

#include <gtest/gtest.h>
#include <signal.h>
#include <spawn.h>
#include <sys/wait.h>
#include <unistd.h>

#include <algorithm>
#include <filesystem>
#include <string>
#include <vector>

#include "engine/Logger.h"
#include "app/GameGlobal.h"
#include "engine/Zib.h"
#include "engine/input/ZibInput.h"
#include "platform/System.h"
#include "support/EngineFixture.h"
#include "support/FakeWindow.h"
#include "support/TestPlatform.h"

extern char** environ;

namespace {

class AppShellTest : public ::testing::Test {
 protected:
  TestPlatform platform;

  void SetUp() override {
    auto backend = std::make_unique<FakeWindow>();
    fake = backend.get();
    platform.setWindow(std::move(backend));
    platform.input();
    window = CreateWindow(u"Skerrion 2", windowProc, 50, 50, 100, 100);
    ASSERT_NE(window, nullptr);

    auto record = [this](const char* call) { return [this, call] { calls.push_back(call); }; };
    appHooks.createEngine = [this](void*, void* hWnd) {
      calls.push_back("createEngine");
      new Zib();
      zib->pLogger = new Logger();
      zib->hWindowHandle = hWnd;
    };
    appHooks.createGame = [this] { return calls.push_back("createGame"), new GameGlobal(); };
    appHooks.initPreLoader = record("initPreLoader");
    appHooks.deleteGame = [this] {
      calls.push_back(zib ? "deleteGame" : "deleteGame after the engine");
      delete gameGlobal;
    };
    appHooks.runFrame = [this] {
      calls.push_back("frame");
      if (++frames == 2 && bCloseOnSecondFrame) requestWindowClose();  // as SIGTERM does
      return frames == quitAtFrame;
    };
    appHooks.pendingWebLink = [this] { return calls.push_back("pendingWebLink"), link; };
    appHooks.saveUserData = record("saveUserData");
    appHooks.openLink = [this](const std::u16string& opened) {
      calls.push_back("open " + toUtf8(opened) + (zib ? " with the engine" : ""));
    };
  }

  void TearDown() override {
    deleteZIB();
    appHooks = AppHooks();
    bRecreateEngine = false;
    bTouchAvailable = false;
  }

  void startEngine() {
    ShowWindow(window, SW_SHOWNORMAL);
    ASSERT_TRUE(runMainLoopStep(nullptr, window));
    ASSERT_NE(zib, nullptr);
    calls.clear();
  }

  TempDataHome dataHome;
  FakeWindow* fake = nullptr;
  HWND window = nullptr;
  std::vector<std::string> calls;
  std::vector<uint32_t>& sleeps = platform.clock().sleeps;
  std::u16string link;
  int frames = 0;
  int quitAtFrame = -1;
  bool bCloseOnSecondFrame = false;
};

TEST_F(AppShellTest, EngineIsBuiltOnlyOnceTheWindowIsInFront) {
  EXPECT_TRUE(runMainLoopStep(nullptr, window));
  EXPECT_TRUE(runMainLoopStep(nullptr, window));
  EXPECT_EQ(sleeps, (std::vector<uint32_t>{100, 100}));
  EXPECT_TRUE(calls.empty());
  EXPECT_EQ(zib, nullptr);

  ShowWindow(window, SW_SHOWNORMAL);
  EXPECT_TRUE(runMainLoopStep(nullptr, window));
  EXPECT_EQ(calls, (std::vector<std::string>{"createEngine", "createGame", "initPreLoader", "frame"}));
  ASSERT_NE(zib, nullptr);
  EXPECT_EQ(zib->hWindowHandle, window);
  EXPECT_NE(gameGlobal, nullptr);

  // Once built, the engine runs whether in front or not (it pauses itself).
  fake->pushEvent(WM_ACTIVATE, WA_INACTIVE);
  EXPECT_TRUE(runMainLoopStep(nullptr, window));
  EXPECT_EQ(frames, 2);
  EXPECT_EQ(sleeps.size(), 2u);
}

TEST_F(AppShellTest, RecreateDeletesTheEngineAndTheNextStepInFrontRebuildsIt) {
  startEngine();
  bRecreateEngine = true;
  EXPECT_TRUE(runMainLoopStep(nullptr, window));
  EXPECT_EQ(calls, (std::vector<std::string>{"frame", "deleteGame"}));
  EXPECT_EQ(zib, nullptr);
  EXPECT_EQ(gameGlobal, nullptr);
  EXPECT_FALSE(bRecreateEngine);

  fake->pushEvent(WM_ACTIVATE, WA_INACTIVE);
  EXPECT_TRUE(runMainLoopStep(nullptr, window));
  EXPECT_EQ(zib, nullptr);
  EXPECT_EQ(sleeps.size(), 1u);
  fake->pushEvent(WM_ACTIVATE, WA_ACTIVE);
  EXPECT_TRUE(runMainLoopStep(nullptr, window));
  EXPECT_NE(zib, nullptr);
  EXPECT_EQ(calls.size(), 6u);  // built and framed again
}

TEST_F(AppShellTest, WindowMenuKeysAreSwallowedAndDestroyPostsQuit) {
  EXPECT_EQ(windowProc(window, WM_SYSCOMMAND, SC_KEYMENU, 0), 1);
  EXPECT_EQ(windowProc(window, WM_SYSCOMMAND, SC_KEYMENU | 0x5, 'f'), 1);
  EXPECT_EQ(windowProc(window, WM_SYSCOMMAND, 0xF060, 0), 0);  // SC_CLOSE goes to the default
  MSG message;
  EXPECT_FALSE(PeekMessage(message, PM_REMOVE));

  EXPECT_EQ(windowProc(window, WM_DESTROY, 0, 0), 0);
  ASSERT_TRUE(PeekMessage(message, PM_REMOVE));
  EXPECT_EQ(message.message, WM_QUIT);
  EXPECT_EQ(message.wParam, 0u);
}

// The display gone under the program: the user's files are saved at once, through the window's own layer,
// and nothing is shut down.
TEST_F(AppShellTest, FocusCharactersAndEndOfSessionReachTheEngineOnlyWhenItExists) {
  windowProc(window, WM_ACTIVATE, WA_INACTIVE, 0);
  windowProc(window, WM_CHAR, 'x', 0);
  windowProc(window, WM_LBUTTONDOWN, 0, MAKELPARAM(5, 5));  // nothing to reach: ignored
  endSession();
  EXPECT_TRUE(calls.empty()) << "no game yet";

  startEngine();
  windowProc(window, WM_ACTIVATE, WA_INACTIVE, 0);
  EXPECT_FALSE(zib->bHasFocus);
  windowProc(window, WM_ACTIVATE, MAKEWPARAM(2, 1), 0);  // clicked active while minimised
  EXPECT_TRUE(zib->bHasFocus);

  windowProc(window, WM_CHAR, 'x', 0);  // no ZibInput yet
  zib->pZibInput = new ZibInput();
  windowProc(window, WM_CHAR, 0x1F600, 0);
  EXPECT_EQ(zib->pZibInput->typedChar, u'\xF600');
  endSession();
  EXPECT_EQ(calls, std::vector<std::string>{"saveUserData"});
  EXPECT_NE(zib, nullptr);
}

TEST_F(AppShellTest, CloseShutsDownThenOpensThePendingLink) {
  startEngine();
  link = u"https://example.com/skerrion";
  EXPECT_EQ(windowProc(window, WM_CLOSE, 0, 0), 0);
  EXPECT_EQ(calls, (std::vector<std::string>{"pendingWebLink", "deleteGame", "open https://example.com/skerrion"}));
  EXPECT_FALSE(fake->bOpen);
  MSG message;
  ASSERT_TRUE(PeekMessage(message, PM_REMOVE));
  EXPECT_EQ(message.message, WM_QUIT);

  // No link, or no game at all: nothing is opened, and the window goes all the same.
  for (bool bWithGame : {true, false}) {
    ASSERT_NE(window = CreateWindow(u"Skerrion 2", windowProc, 50, 50, 100, 100), nullptr);
    link.clear();
    if (bWithGame) startEngine();
    calls.clear();
    windowProc(window, WM_CLOSE, 0, 0);
    EXPECT_EQ(calls.size(), bWithGame ? 2u : 0u);  // pendingWebLink, deleteGame
    EXPECT_FALSE(fake->bOpen);
  }
}

TEST_F(AppShellTest, MessageLoopRunsFramesUntilQuitThenShutsDown) {
  ShowWindow(window, SW_SHOWNORMAL);
  quitAtFrame = 3;
  EXPECT_EQ(runMessageLoop(nullptr, window), 0);
  EXPECT_EQ(frames, 3);  // the frame that quits is the last
  EXPECT_EQ(calls.back(), "deleteGame");
  EXPECT_EQ(zib, nullptr);
  EXPECT_FALSE(fake->bOpen);

  // A close request shuts down before the next frame.
  ASSERT_NE(window = CreateWindow(u"Skerrion 2", windowProc, 50, 50, 100, 100), nullptr);
  ShowWindow(window, SW_SHOWNORMAL);
  frames = 0;
  quitAtFrame = -1;
  bCloseOnSecondFrame = true;
  fake->pushEvent(WM_CHAR, 'q');  // handled before the first idle step
  EXPECT_EQ(runMessageLoop(nullptr, window), 0);
  EXPECT_EQ(frames, 2);
  EXPECT_EQ(zib, nullptr);
}

TEST_F(AppShellTest, MouseMessagesFromTouchAreNotRealWhenTouchIsAvailable) {
  fake->pushEvent(WM_LBUTTONDOWN, 0, 0, TOUCH_MOUSE_EXTRA_INFO);
  fake->pushEvent(WM_LBUTTONDOWN, 0, 0, 0xFF510000);  // part of the signature only
  MSG message;
  std::vector<bool> withTouch, withoutTouch;
  while (PeekMessage(message, PM_REMOVE)) {
    bTouchAvailable = true;
    withTouch.push_back(isRealMouseMessage());
    bTouchAvailable = false;
    withoutTouch.push_back(isRealMouseMessage());
  }
  EXPECT_EQ(withTouch, (std::vector<bool>{false, true}));
  EXPECT_EQ(withoutTouch, (std::vector<bool>{true, true}));
}

TEST(WebLinkTest, TheDesktopOpenerGetsTheLinkAsOneArgument) {
  TempDataHome folder;
  const std::filesystem::path opened = folder.path() / "opened";
  EngineTest::writeFile(folder.path() / "xdg-open", "#!/bin/sh\nprintf '%s|%s' \"$1\" \"$#\" > \"$0.tmp\" && mv \"$0.tmp\" " +
                                                    opened.string() + "\n");
  std::filesystem::permissions(folder.path() / "xdg-open", std::filesystem::perms::owner_all);
  ScopedEnv path("PATH", (folder.path().string() + ":" + getenv("PATH")).c_str());
  openInBrowser(u"https://example.com/a b?q=\u00E9");
  // Waits for the opener to run, not for a time.
  for (int i = 0; i < 1000 && !std::filesystem::exists(opened); ++i) usleep(10000);
  EXPECT_EQ(EngineTest::readFile(opened), "https://example.com/a b?q=\xC3\xA9|1");
}

TEST(SingleInstanceTest, OfTheSameUsersCopiesOfTheSameExecutableNameInAnyCaseTheEarliestRuns) {
  const std::vector<ProcessEntry> processes = {{1, 0, u"init", 0, 1},           {20, 1, u"skerrion2", 1000, 500},
                                               {21, 1, u"Skerrion2", 1000, 400}, {22, 1, u"skerrion2.bak", 1000, 1},
                                               {23, 1, u"skerrion2", 1001, 1},   {24, 1, u"skerrion2", 1000, 400}};
  // Each copy of a pair names the same one: the earlier, then the lower id.
  EXPECT_EQ(findAnotherInstance(processes, u"SKERRION2", 1000, 20), 21);
  EXPECT_EQ(findAnotherInstance(processes, u"SKERRION2", 1000, 24), 21);
  EXPECT_EQ(findAnotherInstance(processes, u"SKERRION2", 1000, 21), 0);
  EXPECT_EQ(findAnotherInstance(processes, u"skerrion2", 1001, 23), 0) << "another user's copies do not count";
  EXPECT_EQ(findAnotherInstance({processes[0], processes[1], processes[3]}, u"skerrion2", 1000, 20), 0);
  EXPECT_EQ(findAnotherInstance(processes, u"skerrion", 1000, 20), 0);
  EXPECT_EQ(findAnotherInstance(processes, u"skerrion2", 1000, 99), 21) << "a copy missing from the list yields";
}

TEST(SingleInstanceTest, FindsRunningCopiesByTheirExecutableNotTheirArguments) {
  TempDataHome folder;
  const std::string number = std::to_string(getpid());
  const std::filesystem::path program = folder.path() / ("zibsleep" + number);
  std::filesystem::copy_file("/bin/sleep", program);
  const std::u16string upperName = u"ZIBSLEEP" + fromUtf8(number);

  auto spawn = [&] {
    char argument0[] = "not-the-name", argument1[] = "30";
    char* const argv[] = {argument0, argument1, nullptr};
    pid_t pid = 0;
    EXPECT_EQ(posix_spawn(&pid, program.c_str(), nullptr, nullptr, argv, environ), 0);
    return pid;
  };
  const auto another = [&](pid_t self) { return findAnotherInstance(listProcesses(), upperName, currentUserId(), self); };
  const pid_t first = spawn();
  EXPECT_EQ(another(first), 0);
  const pid_t second = spawn();
  EXPECT_EQ(another(first), 0);
  EXPECT_EQ(another(second), first);
  const std::vector<ProcessEntry> processes = listProcesses();
  const auto entry = std::ranges::find(processes, first, &ProcessEntry::pid);
  ASSERT_NE(entry, processes.end());
  EXPECT_EQ(entry->parentPid, getpid());
  // Started just now: within a few seconds of the system's uptime, in its clock ticks.
  const double uptime = std::stod(EngineTest::readFile("/proc/uptime"));
  EXPECT_NEAR(static_cast<double>(entry->startTime), uptime * static_cast<double>(sysconf(_SC_CLK_TCK)),
              5.0 * static_cast<double>(sysconf(_SC_CLK_TCK)));

  // A copy that has ended but is not reaped yet no longer runs.
  kill(first, SIGKILL);
  siginfo_t info;
  waitid(P_PID, static_cast<id_t>(first), &info, WEXITED | WNOWAIT);
  EXPECT_EQ(another(second), 0);

  kill(second, SIGKILL);
  waitpid(first, nullptr, 0);
  waitpid(second, nullptr, 0);
}

}  // namespace
