#include "graphics/Console.h"

#include <algorithm>
#include <csignal>

#include "engine/AppPaths.h"
#include "engine/CrashDump.h"
#include "engine/TimeKeeper.h"
#include "engine/input/ZibInput.h"
#include "graphics/Camera.h"
#include "graphics/StatisticsOverlay.h"
#include "graphics/ZibGraphics.h"
#include "graphics/text/FontCache.h"
#include "graphics/text/FontCacheEntry.h"
#include "graphics/text/FontGDI.h"
#include "support/GraphicsFixture.h"

namespace {

// The texts drawn through the default font, sorted.
std::vector<std::string> drawnTexts() {
  std::vector<std::string> texts;
  for (BasicLink* node = zib->pDefaultFont->pFontCache->pEntries->firstChild; node; node = node->next)
    if (const auto* entry = static_cast<FontCacheEntry*>(node); !entry->text.empty()) texts.push_back(toUtf8(entry->text));
  std::sort(texts.begin(), texts.end());
  return texts;
}

// A console over the scripted keyboard, the manual clock and an 800 x 480 null device.
class ConsoleTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    platform.clock();
    platform.input();
    zib->pTimeKeeper = new TimeKeeper();
    zib->pZibInput = new ZibInput();
    configureWindowed800x480();
    makeGraphics();
    zib->bRelease = false;
    console = new Console();
    step({});  // the first read acquires the keyboard
  }
  void TearDown() override {
    delete console;
    GraphicsTest::TearDown();
  }

  // One frame with `keys` held and `typed` as the frame's character.
  void step(std::initializer_list<uint8_t> keys, char16_t typed = 0) {
    platform.holdKeys(keys);
    zib->pZibInput->update();
    zib->pZibInput->typedChar = typed;
    console->frameTick(0, 0);
    zib->pZibInput->typedChar = 0;
  }
  void type(std::u16string_view text) {
    for (char16_t c : text) step({}, c);
  }
  void toggle() {
    step({DIK_LSHIFT});
    step({DIK_LSHIFT, DIK_GRAVE});
    step({});
  }
  std::u16string lastLine() const { return console->lines.empty() ? u"" : console->lines.back(); }

  Console* console = nullptr;
};

TEST_F(ConsoleTest, LeftShiftGraveTogglesOnlyOutsideReleaseAndTheOpenConsoleTakesTypedCommands) {
  zib->bRelease = true;
  toggle();
  EXPECT_FALSE(console->bVisible);
  zib->bRelease = false;
  step({DIK_GRAVE});
  step({});
  EXPECT_FALSE(console->bVisible) << "grave alone";
  step({DIK_LSHIFT, DIK_GRAVE});
  for (int frame = 0; frame < 5; ++frame) step({DIK_LSHIFT, DIK_GRAVE});
  EXPECT_TRUE(console->bVisible);
  EXPECT_EQ(console->input, u"") << "the toggling frame types nothing";
  step({DIK_LSHIFT});
  step({DIK_LSHIFT, DIK_GRAVE});
  EXPECT_FALSE(console->bVisible);

  // Switched to release while open: the toggle is gone but typing goes on.
  toggle();
  zib->bRelease = true;
  toggle();
  EXPECT_TRUE(console->bVisible);
  type(u"rel 0\r");
  EXPECT_FALSE(zib->bRelease);
  toggle();
  EXPECT_FALSE(console->bVisible);

  type(u"x");
  EXPECT_EQ(console->input, u"") << "closed: nothing is typed";
  toggle();
  step({}, 8);  // Backspace on an empty line
  type(u"debux\bg 3");
  EXPECT_EQ(console->input, u"debug 3");
  type(u"\r");
  EXPECT_EQ(zib->debugLevel, 3);
  EXPECT_EQ(console->input, u"");
  EXPECT_TRUE(console->lines.empty()) << "commands are not echoed";
}

TEST_F(ConsoleTest, PageUpAndDownScrollOneLinePerFrameAndTheNewestLineIsFollowed) {
  toggle();
  step({DIK_PRIOR});
  step({DIK_NEXT});
  EXPECT_EQ(console->scrollIndex, -1);
  console->addLine(u"line %d", 0);
  EXPECT_EQ(console->scrollIndex, 0) << "the first line shows at once";
  EXPECT_NE(logText().find("Console::addLine(): > line 0"), std::string::npos);
  for (int i = 1; i < 6; ++i) console->addLine(u"line %d", i);
  EXPECT_EQ(console->scrollIndex, 5);
  for (int frame = 0; frame < 2; ++frame) step({DIK_PRIOR});
  EXPECT_EQ(console->scrollIndex, 3);
  console->addLine(u"line 6");
  EXPECT_EQ(console->scrollIndex, 3) << "a view scrolled back stays";
  for (int frame = 0; frame < 10; ++frame) step({DIK_PRIOR, DIK_NEXT});  // Page Up wins
  EXPECT_EQ(console->scrollIndex, 0);
  for (int frame = 0; frame < 10; ++frame) step({DIK_NEXT});
  EXPECT_EQ(console->scrollIndex, 6);
  console->addLine(u"line 7");
  EXPECT_EQ(console->scrollIndex, 7);
}

TEST_F(ConsoleTest, OldestLinesGoBeyondTheCapAndTheViewKeepsItsLine) {
  const size_t cap = Console::kMaxStoredLines;
  for (size_t i = 0; i < cap + 10; ++i) console->addLine(u"%d", static_cast<int32_t>(i));
  ASSERT_EQ(console->lines.size(), cap);
  EXPECT_EQ(console->lines.front(), u"10");
  EXPECT_EQ(console->scrollIndex, static_cast<int32_t>(cap) - 1) << "still following";
  console->scrollIndex = 5;  // showing "15"
  console->addLine(u"a");
  console->addLine(u"b");
  EXPECT_EQ(console->scrollIndex, 3);
  EXPECT_EQ(console->lines[3], u"15");
  console->scrollIndex = 0;
  console->addLine(u"c");
  EXPECT_EQ(console->scrollIndex, 0) << "the oldest line kept";
  console->scrollIndex = static_cast<int32_t>(cap) - 1;
  console->addLine(u"d");
  EXPECT_EQ(console->lines[size_t(console->scrollIndex)], u"d");
}

TEST_F(ConsoleTest, CommandsChangeTheirSettingsTheRestIsReportedAndCrashIsFatal) {
  zib->pZibGraphics->bEnableFontCache = 1;
  for (const char16_t* command : {u"debug 5", u"fontcache 0", u"rel 1"}) console->executeCommand(command);
  EXPECT_EQ(zib->debugLevel, 5);
  EXPECT_EQ(zib->pZibGraphics->bEnableFontCache, 0);
  EXPECT_TRUE(zib->bRelease);
  for (const char16_t* command : {u"rel 0", u"fontcache 7"}) console->executeCommand(command);
  EXPECT_FALSE(zib->bRelease);
  EXPECT_EQ(zib->pZibGraphics->bEnableFontCache, 1);

  platform.clock().advance(2.5);
  console->executeCommand(u"fps 0.02");
  EXPECT_EQ(zib->frameTimer.period, 0.02);
  EXPECT_EQ(zib->frameTimer.lastTime, zib->pTimeKeeper->getElapsedTime());
  EXPECT_EQ(zib->frameTimer.previousTime, zib->frameTimer.lastTime);
  EXPECT_TRUE(console->lines.empty());

  // Periods that would stop or spin the pacing are refused.
  for (const char16_t* refused : {u"fps 0", u"fps -1", u"fps inf", u"fps nan", u"fps 1e999"}) {
    console->executeCommand(refused);
    EXPECT_EQ(lastLine(), std::u16string(u"Refused: ") + refused + u" (the period must be a positive number of seconds)");
  }
  EXPECT_EQ(zib->frameTimer.period, 0.02);

  for (const char16_t* unknown : {u"debug", u"fps abc", u"crash ", u"Crash", u"%s%d%n"}) {
    console->executeCommand(unknown);
    EXPECT_EQ(lastLine(), std::u16string(u"Unknown command: ") + unknown);
  }
  const size_t count = console->lines.size();
  console->executeCommand(u"");
  EXPECT_EQ(console->lines.size(), count);
  EXPECT_FATAL(console->executeCommand(u"crash"), "Error: Crash requested.\n Function: Console::executeCommand()");
}

TEST_F(ConsoleTest, Crash2EndsThroughTheCrashFilterWithItsMinidump) {
  ASSERT_EQ(signalEndingChild([&] {
              installCrashFilter();
              console->executeCommand(u"crash2");
            }),
            SIGSEGV);
  EXPECT_EQ(readFile(toUtf8(crashMiniDumpPath())).substr(0, 4), "MDMP");
}

TEST_F(ConsoleTest, DrawnTextIsTheInputWithItsBlinkingCursorThenAtMost41LinesUpwards) {
  // Pixel camera on the 800 x 480 screen: origin at the centre.
  EXPECT_EQ(console->pCamera->position.z, -400);
  EXPECT_FLOAT_EQ(console->pCamera->aspect, 0.6f);
  console->input = u"ab%s";
  zib->frameTimer.lastTime = 1.0;  // 8 eighths: even
  auto shown = console->shownText(16);
  ASSERT_EQ(shown.size(), 1u) << "no history while there is none";
  EXPECT_EQ(shown[0].text, u"> ab%s_");
  EXPECT_EQ(shown[0].x, -400);
  EXPECT_EQ(shown[0].y, -224);
  zib->frameTimer.lastTime = 1.125;
  EXPECT_EQ(console->shownText(16)[0].text, u"> ab%s");

  for (int i = 0; i < 50; ++i) console->addLine(u"%d", i);
  shown = console->shownText(16);
  ASSERT_EQ(shown.size(), 42u);
  EXPECT_EQ(shown[1].text, u"49");
  EXPECT_EQ(shown[1].y, -208);
  EXPECT_EQ(shown[41].text, u"9");
  EXPECT_EQ(shown[41].y, -224 + 41 * 16);
  console->scrollIndex = 2;
  EXPECT_EQ(console->shownText(16).size(), 4u) << "never past the first line";
}

TEST_F(ConsoleTest, OpenConsoleDrawsItsTextsThroughTheDefaultFontWithoutDebugDecoration) {
  zib->pDefaultFont = new FontGDI(12, 1, 1, 1, u"Arial");
  console->addLine(u"hello");
  console->input = u"ab";
  zib->debugLevel = 0x40;
  console->frameRender();
  EXPECT_TRUE(drawnTexts().empty()) << "closed: nothing drawn";
  toggle();
  console->frameRender();
  EXPECT_EQ(zib->debugLevel, 0x40);
  EXPECT_EQ(drawnTexts(), (std::vector<std::string>{"> ab_", "hello"}));
  delete zib->pDefaultFont;
  zib->pDefaultFont = nullptr;
}

class StatisticsOverlayTest : public GraphicsTest {};

TEST_F(StatisticsOverlayTest, DebugLevelBitsChooseTheLinesWithTheSavedCounters) {
  makeGraphics();
  zib->pDefaultFont = new FontGDI(12, 1, 1, 1, u"Arial");
  const int32_t stats[9] = {7, 5, 20, 1, 2, 3, 4, 0, 6};
  zib->debugLevel = 1;
  StatisticsOverlay::draw(stats);
  std::vector<std::string> texts = drawnTexts();
  ASSERT_EQ(texts.size(), 1u);
  EXPECT_EQ(texts[0].rfind("frame: fps=", 0), 0u);

  zib->debugLevel = 2 | 4;
  zib->renderedFrames += 2;  // the first frame's strip may be taken again
  StatisticsOverlay::draw(stats);
  texts = drawnTexts();
  EXPECT_NE(std::find(texts.begin(), texts.end(),
                      "5/7 renderables, 20 vertices, 1 vbuffer writes, 4 update visuals, 0 invXforms, 6 collisions"),
            texts.end());
  EXPECT_NE(std::find(texts.begin(), texts.end(), "tex 0.0"), texts.end());  // the memory graph's label
  delete zib->pDefaultFont;
  zib->pDefaultFont = nullptr;
}

TEST(StatisticsOverlayLabelsTest, LabelsKeepALineApartAndInsideTheView) {
  // Four empty series at the bottom edge: stacked upward, the first lowest, all above the edge.
  std::vector<float> y = StatisticsOverlay::placeLabels({0, 0, 0, 0}, 12, 0, 480);
  EXPECT_EQ(y, (std::vector<float>{12, 24, 36, 48}));
  // Wishes kept where they do not meet; near the top the rows give way downward.
  y = StatisticsOverlay::placeLabels({100, 40, 475}, 12, 0, 480);
  EXPECT_EQ(y, (std::vector<float>{100, 40, 475}));
  y = StatisticsOverlay::placeLabels({470, 478, 700}, 12, 0, 480);
  EXPECT_EQ(y, (std::vector<float>{456, 468, 480}));
}

}  // namespace
