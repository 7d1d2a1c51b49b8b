// The advanced options: the graphics manager's modes in its order with the
// current one chosen; Escape with changes asks before they are lost, and
// applying hands the chosen mode to the presentation and saves the settings.
#include "frontend/ContextAdvancedOptions.h"

#include <gtest/gtest.h>

#include "app/ContextManager.h"
#include "app/GameGlobal.h"
#include "app/GameInput.h"
#include "app/MenuSelector.h"
#include "engine/ResourceManager.h"
#include "engine/SaveContainer.h"
#include "engine/SystemInfo.h"
#include "engine/Zib.h"
#include "engine/input/ZibInput.h"
#include "frontend/ConfirmScreen.h"
#include "graphics/Texture.h"
#include "graphics/VideoMode.h"
#include "graphics/ZibGraphics.h"
#include "localisation/Language.h"
#include "localisation/TextKeys.h"
#include "support/GraphicsFixture.h"

namespace {

class ContextAdvancedOptionsTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    platform.holdKeys({});
    makeGraphics();  // full screen on the desktop's 1920 x 1080
    zib->pZibInput = new ZibInput();
    zib->pLanguage = new Language();
    texture = new Texture(100, 40, 0);
    zib->pResourceManager->addResource(texture->getSkin(0), u"buttonSkin");
  }
  void TearDown() override {
    texture->destroy();
    GraphicsTest::TearDown();
  }
  Texture* texture = nullptr;
};

TEST_F(ContextAdvancedOptionsTest, OffersTheModesInOrderAsksBeforeChangesAreLostAndAppliesTheChosenMode) {
  ZibGraphics& graphics = *zib->pZibGraphics;
  GameGlobal global;
  global.pContextManager = new ContextManager();
  ContextManager& manager = *global.pContextManager;
  auto* screen = new ContextAdvancedOptions(global);
  manager.push(screen);
  platform.frame(manager);

  MenuSelector* modes = screen->selector(ContextAdvancedOptions::kVideoMode);
  ASSERT_NE(modes, nullptr);
  std::vector<std::u16string> listed;
  for (BasicLink* node = graphics.videoModes.firstChild; node; node = node->next)
    listed.push_back(static_cast<VideoMode*>(node)->toString());
  EXPECT_EQ(modes->values, listed);
  EXPECT_EQ(modes->label, u"1920x1080 (16:9)");

  // Without changes Escape would leave at once; with one it asks.
  EXPECT_FALSE(screen->bEscapeConfirms);
  modes->step(-1);
  screen->selector(ContextAdvancedOptions::kFullScreen)->step(1);
  platform.frame(manager);
  platform.frame(manager, {GameInput::kEscape});
  auto* question = dynamic_cast<ConfirmScreen*>(manager.getTop());
  ASSERT_NE(question, nullptr);
  EXPECT_EQ(question->question, zib->pLanguage->getString(CONFIRM_DISCARD_CHANGES));
  question->bFinished = 1;  // No: the changes stay
  platform.frame(manager);
  ASSERT_EQ(manager.getTop(), screen);

  screen->apply();
  EXPECT_TRUE(screen->bFinished);
  EXPECT_TRUE(zib->bRestartPresentation);
  EXPECT_EQ(graphics.videoModeWidth, 1280);
  EXPECT_EQ(graphics.videoModeHeight, 1024);
  EXPECT_EQ(graphics.bFullScreen, 0);
  GameConfiguration saved;
  ASSERT_TRUE(loadChecksummedFile(&saved, sizeof saved, getUserDataFolder(), u"Skerrion2demo.hst", u"2.79"));
  EXPECT_EQ(saved.bFullScreen, 0);
  EXPECT_EQ(saved.videoModeWidth, 1280);
}

}  // namespace
