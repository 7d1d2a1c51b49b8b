#include "engine/ErrorManager.h"

#include <gtest/gtest.h>

#include <csignal>
#include <cstdlib>
#include <thread>

#include "app/GameModules.h"
#include "engine/AppPaths.h"
#include "engine/CrashDump.h"
#include "engine/Logger.h"
#include "engine/Zib.h"
#include "engine/ZibModules.h"
#include "support/EngineFixture.h"
#include "support/TestPlatform.h"

namespace {

// Counts the crash pictures a report asks for; `bFailing` makes the picture itself a fatal error.
struct ScreenshotModules : ZibModules {
  void saveCrashScreenshot(Zib&, const std::u16string& path) override {
    ++count;
    lastPath = path;
    if (bFailing) ZIB_ERROR(u"JPEG write failed");
  }
  int count = 0;
  std::u16string lastPath;
  bool bFailing = false;
};

class ErrorManagerTest : public EngineTest {
 protected:
  TestPlatform platform;

  void SetUp() override {
    platform.clock().ms = 1000;  // every line in one millisecond: no prefixes
    EngineTest::SetUp();
  }
  void TearDown() override {
    installGameModules();
    if (zib) zib->pZibGraphics = nullptr;
    EngineTest::TearDown();
  }

  // The text a fatal report ended with.
  template <class F>
  static std::u16string fatalText(F&& statement) {
    try {
      statement();
    } catch (const FatalError& e) {
      return e.message;
    }
    ADD_FAILURE() << "no fatal error";
    return {};
  }

  std::string crashLogText() const { return readFile(toUtf8(crashLogPath())); }

  // Stands in for the graphics manager, which only has to exist.
  static ZibGraphics* someGraphics() { return reinterpret_cast<ZibGraphics*>(&graphicsStandIn); }
  static inline int graphicsStandIn = 0;
};

TEST_F(ErrorManagerTest, ReportFormsCarryFunctionFileAndLineAndKeepPercentSigns) {
  // First: a fatal report closes the log. Percent signs in the message are not reinterpreted.
  EXPECT_EQ(fatalText([] { ErrorManager::fail(u"cannot open gfx/%d%s.tga"); }), u"cannot open gfx/%d%s.tga");
  EXPECT_NE(crashLogText().find("\tErrorManager::error(): cannot open gfx/%d%s.tga\r\n"), std::string::npos);
  int line = 0;
  std::u16string function;
  std::u16string text = fatalText([&] { function = ZIB_FUNCTION; line = __LINE__; ZIB_ERROR(u"Broken %d", 7); });
  EXPECT_EQ(text, formatString(u"Error: Broken 7\n Function: %s()\n File: ErrorManagerTest.cpp\n Line: %d", function, line));

  text = fatalText([&] { function = ZIB_FUNCTION; line = __LINE__; ZIB_ASSERT(1 + 1 == 3); });
  EXPECT_EQ(text, formatString(u"Error: Assertion failed.\n Statement: 1 + 1 == 3\n Function: %s()\n"
                               u" File: ErrorManagerTest.cpp\n Line: %d",
                               function, line));
  ZIB_ASSERT(1 + 1 == 2);
}

TEST_F(ErrorManagerTest, CrashLogEndsWithTheErrorAndForcedExit) {
  EXPECT_FATAL(ErrorManager::fail(u"Out of cheese"), "Out of cheese");
  EXPECT_TRUE(zib->bShuttingDown);
  const std::string crashLog = crashLogText();
  EXPECT_EQ(crashLog, logText());
  const std::string tail = "\tErrorManager::error(): Out of cheese\r\n\tErrorManager::error(): Forced exit.\r\n";
  ASSERT_GE(crashLog.size(), tail.size());
  EXPECT_EQ(crashLog.substr(crashLog.size() - tail.size()), tail);
  // The log is closed: nothing more reaches it.
  ZIB_LOG(u"late");
  EXPECT_EQ(logText(), crashLog);
}

TEST_F(ErrorManagerTest, FailedScreenshotCarriesOnAndOnlyTheMainThreadTakesOne) {
  ScreenshotModules screenshots;
  screenshots.bFailing = true;
  setZibModules(&screenshots);
  zib->pZibGraphics = someGraphics();
  EXPECT_EQ(fatalText([] { ErrorManager::fail(u"first"); }), u"first");
  EXPECT_EQ(screenshots.count, 1);
  EXPECT_EQ(screenshots.lastPath, crashScreenshotPath());
  const std::string crashLog = crashLogText();
  EXPECT_NE(crashLog.find("\tErrorManager::error(): first\r\n"), std::string::npos);
  EXPECT_NE(crashLog.find("\tErrorManager::error(): Error: JPEG write failed\n"), std::string::npos);
  EXPECT_NE(crashLog.find("\tErrorManager::error(): Forced exit.\r\n"), std::string::npos);

  // The next failure is a report of its own again; one from a worker thread or without graphics takes no picture.
  EXPECT_EQ(fatalText([] { ErrorManager::fail(u"second"); }), u"second");
  std::thread([] { EXPECT_THROW(ErrorManager::fail(u"from a worker"), FatalError); }).join();
  zib->pZibGraphics = nullptr;
  EXPECT_FATAL(ErrorManager::fail(u"early"), "early");
  EXPECT_EQ(screenshots.count, 2);
}

TEST_F(ErrorManagerTest, ReportsWithoutRootOrManagers) {
  delete root;
  root = nullptr;
  ASSERT_EQ(zib, nullptr);
  EXPECT_FATAL(ZIB_ERROR(u"before the engine: %s", u"x"), "Error: before the engine: x\n Function: ");
  Zib bare;
  EXPECT_FATAL(ZIB_ASSERT(false), "Statement: false\n");
  EXPECT_TRUE(bare.bShuttingDown);
}

TEST_F(ErrorManagerTest, FatalErrorEndsTheProcessWithStatus255) {
  GTEST_FLAG_SET(death_test_style, "threadsafe");
  EXPECT_EXIT(
      {
        ErrorManager::setFatalHook({});
        static struct sigaction before;
        sigaction(SIGSEGV, nullptr, &before);
        installCrashFilter();
        std::atexit([] {
          struct sigaction now;
          sigaction(SIGSEGV, nullptr, &now);
          if (now.sa_sigaction == before.sa_sigaction) fputs("crash filter removed\n", stderr);
        });
        ZIB_ERROR(u"Fatal %d", 3);
      },
      ::testing::ExitedWithCode(255), "^Error: Fatal 3\n Function: [^\n]*\n File: ErrorManagerTest.cpp\n(.|\n)*crash filter removed");
}

TEST(ErrorManagerNames, HresultText) {
  for (const auto& [hr, text] : {std::pair<uint32_t, std::u16string>{0, u"S_OK"}, {1, u"S_OK"} /* S_FALSE */,
                                  {0x8876086C, u"D3DERR_INVALIDCALL (0x8876086c)"}, {0x80004005, u"E_FAIL (0x80004005)"},
                                  {0x8007001E, u"DIERR_INPUTLOST (0x8007001e)"}, {0x92345678, u"Unknown (0x92345678)"}})
    EXPECT_EQ(ErrorManager::getHRESULTString(static_cast<int32_t>(hr)), text) << hr;
}

}  // namespace
