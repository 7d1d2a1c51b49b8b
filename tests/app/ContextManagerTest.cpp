#include "app/ContextManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "frontend/ConfirmScreen.h"
#include "app/GameGlobal.h"
#include "app/GameInput.h"
#include "app/Loader.h"
#include "frontend/TitleScreen.h"
#include "engine/TimeKeeper.h"
#include "engine/Zib.h"
#include "engine/input/ZibInput.h"
#include "localisation/Language.h"
#include "support/EngineFixture.h"
#include "support/TestPlatform.h"

namespace {

// Names of the screens drawn, in order.
std::vector<std::string> drawn;

struct Screen : Context {
  explicit Screen(std::string name = "", bool* deleted = nullptr) : name(std::move(name)), deleted(deleted) {}
  ~Screen() override {
    if (deleted) *deleted = true;
  }
  void onEnter(bool firstEnter) override { enters.push_back(firstEnter); }
  void onLeave(bool flag) override { leaves.push_back(flag); }
  void tickContents(double, double) override { ++ticks; }
  void renderContents() override { drawn.push_back(name); }
  std::string name;
  bool* deleted;
  std::vector<bool> enters, leaves;
  int ticks = 0;
};

class ContextManagerTest : public EngineTest {
 protected:
  void SetUp() override {
    EngineTest::SetUp();
    platform.holdKeys({});  // the scripted keyboard, before the manager looks for one
    zib->pZibInput = new ZibInput();
    zib->pZibInput->update();  // the first poll acquires the keyboard
  }
  TestPlatform platform;
};

TEST_F(ContextManagerTest, PopsFinishedScreensEntersNewTopsAndQuitsWhenEmpty) {
  Screen below;  // kept: not deleted when finished; outlives the manager
  ContextManager manager;
  bool topDeleted = false;
  auto* top = new Screen("top", &topDeleted);
  top->bDeleteWhenFinished = 1;
  manager.push(&below);
  manager.push(top);
  manager.frameTick(0, 0);
  manager.frameTick(0, 0);
  EXPECT_EQ(top->enters, std::vector<bool>{true});
  EXPECT_EQ(top->ticks, 2);
  EXPECT_EQ(below.ticks, 0);

  top->bFinished = 1;
  manager.frameTick(0, 0);
  EXPECT_TRUE(topDeleted);
  EXPECT_EQ(below.enters, std::vector<bool>{true});
  EXPECT_EQ(below.ticks, 1);
  below.bFinished = 1;
  manager.frameTick(0, 0);
  EXPECT_EQ(below.leaves, std::vector<bool>{true});
  EXPECT_TRUE(manager.bQuit);

  below.bFinished = 0;
  manager.push(&below);
  manager.frameTick(0, 0);
  EXPECT_EQ(below.enters, (std::vector<bool>{true, false}));
}

TEST_F(ContextManagerTest, EscapeActsInTheSameTickWhenAllowedAndAsksFirstWhenTheScreenConfirms) {
  Screen screen, asking;
  ContextManager manager;
  manager.push(&screen);
  screen.bEscapeAllowed = 0;
  platform.frame(manager, {GameInput::kEscape});
  EXPECT_FALSE(screen.bFinished);
  screen.bEscapeAllowed = 1;
  platform.frame(manager, {GameInput::kEscape});  // still held: no new press
  EXPECT_FALSE(screen.bFinished);
  platform.frame(manager);
  platform.frame(manager, {GameInput::kEscape});
  EXPECT_TRUE(screen.bFinished) << "finished by the tick that saw the press";

  asking.bEscapeConfirms = 1;
  manager.push(&asking);
  platform.frame(manager);
  platform.frame(manager, {GameInput::kEscape});
  EXPECT_FALSE(asking.bFinished);
  ASSERT_NE(dynamic_cast<ConfirmScreen*>(manager.getTop()), nullptr);
  platform.frame(manager);
  platform.frame(manager, {GameInput::kEscape});  // Escape on the question leaves the question only
  platform.frame(manager);
  EXPECT_EQ(manager.getTop(), &asking);
  EXPECT_FALSE(asking.bFinished);
  platform.frame(manager, {GameInput::kEscape});
  platform.frame(manager);
  platform.frame(manager, {GameInput::kEnter});
  platform.frame(manager);
  EXPECT_TRUE(asking.bFinished);
  EXPECT_TRUE(manager.bQuit) << "the question and the screen went, and the one below was finished before";
}

TEST_F(ContextManagerTest, FireKeysSkipOnlyScreensThatAllowIt) {
  Screen splash, menu;
  ContextManager manager;
  manager.push(&menu);
  manager.push(&splash);
  platform.frame(manager, {ContextManager::kFireKeys[0]});
  EXPECT_FALSE(splash.bFinished);
  splash.bSkipOnPress = 1;
  platform.frame(manager);
  platform.frame(manager, {ContextManager::kFireKeys[1]});
  EXPECT_TRUE(splash.bFinished);
  platform.frame(manager);
  platform.frame(manager, {ContextManager::kFireKeys[0]});
  EXPECT_FALSE(menu.bFinished);
}

TEST_F(ContextManagerTest, DrawsTheTopsOwnOrTheSharedBackgroundThenTheTopAndTheOverlay) {
  Screen own("own"), top("top");  // outlive the manager
  ContextManager manager;
  manager.pSharedBackground = new Screen("shared");
  manager.appendChild(manager.pSharedBackground);
  auto* overlay = new Screen("overlay");
  manager.pOverlayLayer->appendChild(overlay);
  manager.push(&top);
  manager.frameTick(0, 0);
  const auto draw = [&] {
    drawn.clear();
    manager.frameRender();
    return drawn;
  };
  EXPECT_EQ(draw(), (std::vector<std::string>{"shared", "top", "overlay"}));
  top.pScreenBackground = &own;
  EXPECT_EQ(draw(), (std::vector<std::string>{"own", "top", "overlay"}));
  zib->bHasFocus = false;
  EXPECT_EQ(draw(), (std::vector<std::string>{"top", "overlay"}));
  zib->bHasFocus = true;
  top.bShowBackground = 0;
  EXPECT_EQ(draw(), (std::vector<std::string>{"top", "overlay"}));
}

TEST_F(ContextManagerTest, LoaderDetectsTheLanguageLoadsStepByStepThenTheTitleRunsUntilEscape) {
  ScopedEnv locale("LC_ALL", "de_DE.UTF-8");  // the locale variable read first
  zib->pLanguage = new Language();
  GameGlobal global;
  global.pContextManager = new ContextManager();
  ContextManager& manager = *global.pContextManager;
  auto* loader = new Loader(global);
  int loaded = 0;
  loader->loadSteps.assign(3, [&] { ++loaded; });
  manager.push(loader);

  platform.frame(manager);  // the settings applied
  platform.frame(manager);  // a frame drawn before loading starts
  EXPECT_EQ(zib->defaultLanguage, 1);
  EXPECT_EQ(zib->pLanguage->currentLanguage, 1);
  EXPECT_EQ(loaded, 0);
  platform.frame(manager);  // without the engine clock, one step a frame
  EXPECT_EQ(loaded, 1);
  platform.frame(manager, {GameInput::kEscape});
  EXPECT_FALSE(loader->bFinished) << "loading is not left half done";
  platform.frame(manager);
  EXPECT_EQ(loaded, 3);
  EXPECT_FALSE(loader->bFinished) << "a frame with the bar full first";
  platform.frame(manager);
  EXPECT_TRUE(loader->bFinished);
  EXPECT_EQ(manager.getTop()->getClass(), &TitleScreen::classInfo);

  for (int i = 0; i < 5; ++i) platform.frame(manager);
  EXPECT_FALSE(manager.bQuit);
  platform.frame(manager, {GameInput::kEscape});
  platform.frame(manager);
  EXPECT_TRUE(manager.bQuit);
}

TEST_F(ContextManagerTest, TheLoaderEndsAFramesSliceOnceAQuarterSecondHasPassed) {
  zib->defaultLanguage = 0;
  GameGlobal global;
  global.pContextManager = new ContextManager();
  ContextManager& manager = *global.pContextManager;
  auto* loader = new Loader(global);
  int loaded = 0;
  // Exactly, on the test clock: 0.1 and 0.2 s go on, 0.3 s ends the slice.
  ManualTimeSource& clock = platform.clock();
  loader->loadSteps.assign(10, [&] { ++loaded, clock.advance(0.1); });
  loader->bConfigured = loader->bStarted = true;  // straight to loading
  manager.push(loader);
  zib->pTimeKeeper = new TimeKeeper();
  platform.frame(manager);
  EXPECT_EQ(loaded, 3);
  platform.frame(manager);
  EXPECT_EQ(loaded, 6);
}

}  // namespace
