#include "engine/Logger.h"

#include <gtest/gtest.h>

#include <cctype>
#include <sstream>
#include <thread>
#include <vector>

#include "engine/AppPaths.h"
#include "engine/SystemInfo.h"
#include "engine/Zib.h"
#include "support/EngineFixture.h"
#include "support/TestPlatform.h"

namespace {

class LoggerTest : public ::testing::Test {
 protected:
  void SetUp() override {
    now = 5000;
    savedArgs = commandLineArgs;
  }
  void TearDown() override {
    commandLineArgs = savedArgs;
  }

  // The lines after the header, each with its CR LF.
  std::string bodyAfterHeader() const {
    const std::string bytes = EngineTest::logText();
    const size_t dateLine = bytes.find("\tLog date: ");
    return bytes.substr(bytes.find("\r\n", dateLine) + 2);
  }

  TempDataHome dataHome;
  TestPlatform platform;
  uint32_t& now = platform.clock().ms;  // the logger's millisecond clock
  std::vector<std::u16string> savedArgs;
};

// Each run of digits as one '#': the shape of a line with times and counts in it.
std::string numbersAsHash(const std::string& text) {
  std::string shape;
  for (size_t i = 0; i < text.size(); ++i)
    if (!std::isdigit(static_cast<unsigned char>(text[i])))
      shape += text[i];
    else if (i == 0 || !std::isdigit(static_cast<unsigned char>(text[i - 1])))
      shape += '#';
  return shape;
}

std::vector<std::string> splitCrLf(const std::string& text) {
  std::vector<std::string> lines;
  for (size_t start = 0, end; (end = text.find("\r\n", start)) != std::string::npos; start = end + 2)
    lines.push_back(text.substr(start, end - start));
  return lines;
}

TEST_F(LoggerTest, HeaderIdentifiesTheRunAndOptionsMatchExactly) {
  commandLineArgs = {u"-safe", u"two words"};
  EXPECT_TRUE(hasCommandLineOption(u"-safe"));
  EXPECT_FALSE(hasCommandLineOption(u"-SAFE"));
  Logger logger;
  const std::string bytes = EngineTest::logText();
  ASSERT_EQ(bytes.substr(0, 3), "\xEF\xBB\xBF");
  const std::vector<std::string> lines = splitCrLf(bytes.substr(3));
  ASSERT_EQ(lines.size(), 7u);
  EXPECT_EQ(lines[0], "\tApplication: Skerrion2demo v2.79.p 32bit ");
  // The user, the host, then the program's path.
  const std::string& executing = lines[1];
  EXPECT_TRUE(executing.starts_with("\tExecuting ") && executing.ends_with("/zibtests") &&
              executing.find("->") < executing.rfind("->/"))
      << executing;
  EXPECT_EQ(lines[2], "\tCurrent directory: " + toUtf8(getCurrentFolder()));
  EXPECT_EQ(lines[3], "\tCommand-line parameter: [-safe]");
  EXPECT_EQ(lines[4], "\tCommand-line parameter: [two words]");
  EXPECT_EQ(lines[5], "\tLog file: " + dataHome.path().string() + "/Quillon studios/Skerrion2demo/2.79/Skerrion2demo.log");
  EXPECT_EQ(numbersAsHash(lines[6]), "\tLog date: #-#-# #.#.# UTC");
  EXPECT_EQ(lines[6].size(), std::string("\tLog date: 2024-01-31 12.00.00 UTC").size());
}

// Each line after the header carries the milliseconds since the previous one, across the clock's wrap;
// a clock that reads 0 at the header is no special case.
TEST_F(LoggerTest, LinesCarryTheMillisecondsSinceThePreviousOne) {
  const struct {
    uint32_t start, firstGap;
    const char* body;
  } cases[] = {{5000, 0, "\tsame millisecond\r\n+1500\t50%\r\n+1\tnext\r\n"},
               {0, 7, "+7\tsame millisecond\r\n+1500\t50%\r\n+1\tnext\r\n"},
               {0xFFFFFF00u, 0x200, "+512\tsame millisecond\r\n+1500\t50%\r\n+1\tnext\r\n"}};
  for (const auto& c : cases) {
    now = c.start;
    {
      Logger logger;
      now += c.firstGap;
      logger.log(u"same %s", u"millisecond");
      now += 1500;
      logger.log(u"%d%%", 50);
      now += 1;
      logger.log(u"next");
    }
    EXPECT_EQ(bodyAfterHeader(), c.body) << c.start;
  }
}

TEST_F(LoggerTest, LinesFromManyThreadsStayWhole) {
  {
    Logger logger;
    std::vector<std::thread> threads;
    for (int thread = 0; thread < 4; ++thread)
      threads.emplace_back([&logger, thread] {
        for (int line = 0; line < 200; ++line) logger.log(u"thread %d line %d of a longer text", thread, line);
      });
    for (std::thread& thread : threads) thread.join();
  }
  std::istringstream body(bodyAfterHeader());
  int count = 0;
  for (std::string line; std::getline(body, line); ++count)
    EXPECT_EQ(numbersAsHash(line), "\tthread # line # of a longer text\r");
  EXPECT_EQ(count, 800);
}

TEST_F(LoggerTest, UncreatableLogIsToldOnStandardErrorAndLeavesTheLoggerSilent) {
  // A folder in the log file's place: the open fails even for root.
  std::filesystem::create_directories(toUtf8(getLogFilePath()));
  testing::internal::CaptureStderr();
  Logger logger;
  EXPECT_EQ(testing::internal::GetCapturedStderr(),
            "Skerrion 2: cannot open the log " + toUtf8(getLogFilePath()) + ": Is a directory\n");
  EXPECT_EQ(logger.stream, nullptr);
  logger.log(u"nothing");
  logger.close();
  EXPECT_FALSE(std::filesystem::exists(toUtf8(crashLogPath())));
}

TEST_F(LoggerTest, FunctionMessagesGoThroughTheRootsLogger) {
  logFunctionMessage(u"Nobody::here", u"no root yet");  // nothing to write to, no crash
  Zib root;
  logFunctionMessage(u"Nobody::here", u"no logger yet");
  root.pLogger = new Logger();
  logFunctionMessage(u"Foo::bar", u"100% done");
  ZIB_LOG(u"%d items", 3);
  EXPECT_EQ(bodyAfterHeader(), "\tFoo::bar(): 100% done\r\n\t" + toUtf8(ZIB_FUNCTION) + "(): 3 items\r\n");
}

}  // namespace
