#include <gtest/gtest.h>

#include <sys/utsname.h>

#include <algorithm>
#include <filesystem>
#include <sstream>
#include <string>
#include <vector>

#include "base/Format.h"
#include "engine/EngineConfig.h"
#include "engine/SystemInfo.h"
#include "engine/Zib.h"
#include "engine/ZibProcessEntry.h"
#include "graphics/Context.h"
#include "engine/input/ZibInput.h"
#include "support/EngineFixture.h"
#include "support/TestPlatform.h"

namespace {

using Lines = std::vector<std::string>;

// The log's messages ("Function(): text") without the time column; only those starting with `function`.
Lines logLines(const std::string& function = "") {
  std::istringstream in(EngineTest::readFile(toUtf8(getUserDataFolder()) + "Skerrion2demo.log"));
  Lines lines;
  for (std::string line; std::getline(in, line);) {
    if (!line.empty() && line.back() == '\r') line.pop_back();
    line.erase(0, line.find('\t') + 1);
    if (line.starts_with(function)) lines.push_back(line.substr(function.size()));
  }
  return lines;
}

bool contains(const Lines& lines, const std::string& line) { return std::ranges::find(lines, line) != lines.end(); }

// A whole engine on a temporary user-data folder and the shipped static configuration.
class ZibTest : public ::testing::Test {
 protected:
  void SetUp() override {
    staticConfigFolder = fromUtf8(ZIB_SOURCE_DIR "/config/");
    platform.input();  // scripted devices, no SDL
  }
  void TearDown() override { staticConfigFolder.clear(); }

  static std::string configPath() { return toUtf8(getConfigFilePath()); }

  TempDataHome dataHome;
  FatalErrorsThrow fatalErrors;
  TestPlatform platform;
};

TEST_F(ZibTest, FirstRunWritesItsSectionsAndShutsDownCleanly) {
  auto* engine = new Zib(nullptr, nullptr);
  EXPECT_EQ(zib, engine);
  EXPECT_NE(engine->pLanguage, nullptr);
  delete engine;
  EXPECT_EQ(zib, nullptr);

  // The engine's own section first, with its byte-order mark and CRLF lines; the managers' sections follow.
  const std::string config = EngineTest::readFile(configPath());
  EXPECT_TRUE(config.starts_with("\xEF\xBB\xBF[Zib]\r\n")) << config;
  size_t at = 0;
  for (const char* section : {"[ZibInput]\r\n", "[ZibGraphics]\r\n", "[ZibNetwork]\r\n"})
    EXPECT_NE(at = config.find(section, at), std::string::npos) << section;
  // No frame ran: no frame-time line; release mode: no leak report.
  for (const std::string& line : logLines("Zib::~Zib(): "))
    EXPECT_FALSE(line.starts_with("Rendered") || line.starts_with("Objects still")) << line;
  EXPECT_EQ(logLines("Zib::~Zib(): ").back(), "Done. Clean exit.");
}

TEST_F(ZibTest, DebugCodeUnlocksDebugLevelAndTheLanguageIsSaved) {
  EngineTest::writeFile(configPath(), "[Zib]\ndebugLevel=7\ndebugCode=40917\ndefaultLanguage=1\n[Other]\nkey=value\n");
  auto* engine = new Zib(nullptr, nullptr);
  EXPECT_FALSE(engine->bRelease);
  EXPECT_NE(engine->pConsole, nullptr);  // gone at its shutdown step: no leak below
  EXPECT_EQ(engine->debugLevel, 7);
  EXPECT_EQ(engine->defaultLanguage, 1);
  engine->defaultLanguage = 0;
  delete engine;
  const std::string saved = EngineTest::readFile(configPath());
  EXPECT_NE(saved.find("defaultLanguage=0\r\n"), std::string::npos);
  EXPECT_NE(saved.find("[Other]\r\nkey=value\r\n"), std::string::npos);
  EXPECT_TRUE(contains(logLines("Zib::~Zib(): "), "Objects still allocated (memory leaks?): 0"));

  EngineTest::writeFile(configPath(), "[Zib]\ndebugLevel=7\ndebugCode=40916\n");
  engine = new Zib(nullptr, nullptr);
  EXPECT_TRUE(engine->bRelease);
  EXPECT_EQ(engine->debugLevel, 0);
  delete engine;
}

TEST_F(ZibTest, F9TakesOneScreenshotPerPressAndRightShiftChoosesTga) {
  auto* engine = new Zib(nullptr, nullptr);
  Context screen;
  platform.holdKeys({});
  engine->frame(&screen);  // the first read acquires the keyboard
  const auto countFiles = [](const char* extension) {
    return std::ranges::count_if(std::filesystem::directory_iterator(toUtf8(getUserDataFolder())),
                                 [&](const auto& entry) { return entry.path().extension() == extension; });
  };
  platform.holdKeys({DIK_F9});
  engine->frame(&screen);
  engine->frame(&screen);  // still held: no second picture
  platform.holdKeys({});
  engine->frame(&screen);
  platform.holdKeys({DIK_F9, DIK_RSHIFT});
  engine->frame(&screen);
  EXPECT_EQ(countFiles(".bmp"), 1);
  EXPECT_EQ(countFiles(".tga"), 1);
  delete engine;
}

TEST_F(ZibTest, StaticConfigurationMustExistWithEveryKey) {
  staticConfigFolder = fromUtf8(dataHome.path().string() + "/");
  EXPECT_FATAL(new Zib(nullptr, nullptr), "Skerrion2demo.cfg.static verification failed");
  EXPECT_EQ(zib, nullptr);
  const std::string file = dataHome.path().string() + "/Skerrion2demo.cfg.static",
                    config = "[Language]\nsingleLanguage=0\nlanguageMask=11\n[Edition]\nbHoliday=No\n[Graphics]\nditherDepth=15\n";
  EngineTest::writeFile(file, config);
  EXPECT_FATAL(new Zib(nullptr, nullptr), "Key 'hq2x' could not be found in section 'Graphics'.");
  EXPECT_EQ(zib, nullptr);

  // A scaling mode past the few there are would overflow every size it multiplies.
  EngineTest::writeFile(file, config + "hq2x=2147483647\n");
  Zib* engine = new Zib(nullptr, nullptr);
  EXPECT_EQ(engine->hq2x, 1);
  EXPECT_NE(EngineTest::logText().find("HQ2X 2147483647 is out of range (0 to 4), using 1."), std::string::npos);
  delete engine;
}

// A bare root: the parts of the engine root that need no managers.
class ZibRootTest : public EngineTest {};

TEST_F(ZibRootTest, ShutdownReportsFramesAndLeaksInDebugMode) {
  root->bRelease = false;
  root->frameCounter = 4;
  root->totalFrameTime = 0.1;
  auto* screen = new ZibBase;
  screen->objectUID = 5;
  screen->appendChild(new ZibBase);
  BasicLink outside;  // a parent that is not an engine object
  outside.appendChild(new ZibBase);
  delete root;
  root = nullptr;
  const Lines lines = logLines("Zib::~Zib(): ");
  EXPECT_TRUE(contains(lines, "Rendered 4 frames, avg=25.0ms."));
  const auto report = std::find(lines.begin(), lines.end(), "Objects still allocated (memory leaks?): 3");
  ASSERT_NE(report, lines.end());
  EXPECT_EQ(Lines(report + 1, lines.end()),
            (Lines{"       0. ZibBase\t\t\t(uid=5 --)", "       1. ZibBase\t\t\t(uid=-1 parent=[0])",
                   "       2. ZibBase\t\t\t(uid=-1 parent=***FREED***)", "Done. Clean exit."}));
  delete screen;
}

TEST_F(ZibRootTest, SystemInformationNamesTheVersionAndListsProcesses) {
  std::vector<std::u16string> names;
  for (const auto [major, minor, platformId] : std::vector<std::array<uint32_t, 3>>{
           {4, 0, 1}, {4, 0, 2}, {4, 0, 3}, {6, 3, 2}, {10, 0, 2}, {6, 4, 2}})
    names.push_back(Zib::windowsVersionName(major, minor, platformId));
  EXPECT_EQ(names, (std::vector<std::u16string>{u"Windows95", u"WindowsNT40", u"<unknown>", u"Windows81", u"Windows10",
                                                u"<unknown>"}));
  using Numbers = std::array<uint32_t, 3>;
  EXPECT_EQ((std::vector<Numbers>{Zib::releaseNumbers("6.1.0-18-amd64"), Zib::releaseNumbers("5.15.153.1-microsoft-WSL2"),
                                  Zib::releaseNumbers("4.19"), Zib::releaseNumbers("x"), Zib::releaseNumbers("99999999999.2")}),
            (std::vector<Numbers>{{6, 1, 0}, {5, 15, 153}, {4, 19, 0}, {0, 0, 0}, {UINT32_MAX, 2, 0}}));

  root->dumpSystemInfo();
  utsname system{};
  ASSERT_EQ(uname(&system), 0);
  EXPECT_EQ(root->osName, fromUtf8(std::string(system.sysname) + ' ' + system.release));
  const Lines lines = logLines("Zib::dumpSystemInfo(): ");
  for (const std::string& line : {toUtf8(formatString(u"dwBuildNumber: %08x", Zib::releaseNumbers(system.release)[2])),
                                  std::string("szCSDVersion: ") + system.sysname + ' ' + system.release + ' ' +
                                      system.version + ' ' + system.machine})
    EXPECT_TRUE(contains(lines, line)) << line;
  for (const std::string& line : lines) EXPECT_EQ(line.find("Platform ID:"), std::string::npos) << line;
  const Lines tree = logLines("ZibProcessEntry::dump(): ");
  EXPECT_TRUE(std::any_of(tree.begin(), tree.end(), [](const std::string& l) { return l.ends_with("|_ zibtests"); }));
}

TEST_F(ZibRootTest, ProcessTreePutsChildrenUnderParentsListedLaterAndFormsNoCycle) {
  ZibProcessEntry tree;
  // a and b: reused ids, each naming the other its parent.
  for (const ProcessEntry& process : std::vector<ProcessEntry>{{20, 10, u"child"}, {10, 1, u"parent"}, {1, 0, u"init"},
           {11, 1, u"sibling"}, {30, 20, u"grandchild"}, {5, 7, u"a"}, {7, 5, u"b"}, {0, 0, u"idle"}})
    tree.insert(new ZibProcessEntry(process));
  tree.dump(u"");
  EXPECT_EQ(logLines("ZibProcessEntry::dump(): "),
            (Lines{"|_ ", "  |_ b", "  | |_ a", "  |_ idle", "    |_ init", "      |_ parent", "      | |_ child",
                   "      |   |_ grandchild", "      |_ sibling"}));
}

}  // namespace
