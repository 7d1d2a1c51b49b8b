#include "app/ContextManager.h"

#include <gtest/gtest.h>

#include <string>
#include <vector>

#include "app/Loader.h"
#include "app/TitleScreen.h"
#include "engine/Zib.h"
#include "localisation/Language.h"
#include "support/EngineFixture.h"

namespace {

struct Screen : Context {
  explicit Screen(bool* deleted = nullptr) : deleted(deleted) {}
  ~Screen() override {
    if (deleted) *deleted = true;
  }
  void onEnter(bool firstEnter) override { enters.push_back(firstEnter); }
  void onLeave(bool flag) override { leaves.push_back(flag); }
  void tickContents(double, double) override { ++ticks; }
  bool* deleted;
  std::vector<bool> enters, leaves;
  int ticks = 0;
};

using ContextManagerTest = EngineTest;

TEST_F(ContextManagerTest, PopsFinishedScreensEntersNewTopsAndQuitsWhenEmpty) {
  Screen below;  // kept: not deleted when finished; outlives the manager
  ContextManager manager;
  bool topDeleted = false;
  auto* top = new Screen(&topDeleted);
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

TEST_F(ContextManagerTest, EscapeFinishesTheTopOnlyWhenAllowed) {
  Screen screen;
  ContextManager manager;
  manager.push(&screen);
  screen.bEscapeAllowed = 0;
  manager.requestEscape();
  manager.frameTick(0, 0);
  screen.bEscapeAllowed = 1;
  manager.frameTick(0, 0);  // the refused press is not kept
  EXPECT_FALSE(screen.bFinished);
  manager.requestEscape();
  manager.frameTick(0, 0);
  EXPECT_TRUE(screen.bFinished);
}

TEST_F(ContextManagerTest, LoaderDetectsTheLanguageLoadsStepByStepThenTheTitleRunsUntilEscape) {
  ScopedEnv locale("LC_ALL", "de_DE.UTF-8");  // the locale variable read first
  zib->pLanguage = new Language();
  ContextManager manager;
  auto* loader = new Loader(&manager);
  int loaded = 0;
  loader->loadSteps.assign(3, [&] { ++loaded; });
  manager.push(loader);

  manager.frameTick(0, 0);  // without the engine clock, one step a frame
  EXPECT_EQ(zib->defaultLanguage, 1);
  EXPECT_EQ(zib->pLanguage->currentLanguage, 1);
  EXPECT_EQ(loaded, 1);
  for (int i = 0; i < 3; ++i) manager.frameTick(0, 0);
  EXPECT_EQ(loaded, 3);
  EXPECT_TRUE(loader->bFinished);
  EXPECT_EQ(manager.getTop()->getClass(), &TitleScreen::classInfo);

  for (int i = 0; i < 5; ++i) manager.frameTick(0, 0);
  EXPECT_FALSE(manager.bQuit);
  manager.requestEscape();
  manager.frameTick(0, 0);
  manager.frameTick(0, 0);
  EXPECT_TRUE(manager.bQuit);
}

}  // namespace
