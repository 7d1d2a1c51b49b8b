// The language question: reached and answered with the keyboard alone, and
// never left open, however the screen goes.
#include "frontend/ContextLanguageSelect.h"

#include <gtest/gtest.h>

#include "app/ContextManager.h"
#include "app/GameInput.h"
#include "app/MousePointer.h"
#include "base/StringUtils.h"
#include "engine/FileManager.h"
#include "engine/ResourceManager.h"
#include "engine/Zib.h"
#include "engine/input/ZibInput.h"
#include "graphics/Texture.h"
#include "support/GraphicsFixture.h"

namespace {

class ContextLanguageSelectTest : public GraphicsTest {
 protected:
  void SetUp() override {
    GraphicsTest::SetUp();
    openFakeMenuWindow();
    zib->pZibInput->setInputMode(2);  // as a rebuilt engine starts: touch, no pointer drawn
    zib->pFileManager = new FileManager();
    zib->pFileManager->useWad(fromUtf8(ZIB_BIN_DIR) + u"/Skerrion2demo.dat");
    flags = new Texture(0, u"gfx/flags.tga");
    zib->pResourceManager->addResource(flags, u"flagsTex");
    zib->defaultLanguage = -1;
    ContextLanguageSelect::lastLanguage = -1;
  }
  void TearDown() override {
    delete manager;
    flags->destroy();
    GraphicsTest::TearDown();
  }
  void frame(std::initializer_list<uint8_t> keys = {}) { platform.frame(*manager, keys); }
  ContextLanguageSelect* ask() {
    manager = new ContextManager();
    auto* screen = new ContextLanguageSelect();
    manager->push(screen);
    frame();
    return screen;
  }

  Texture* flags = nullptr;
  ContextManager* manager = nullptr;
};

TEST_F(ContextLanguageSelectTest, ArrowsMoveFromFlagToFlagShowingThePointerAndEnterPicks) {
  ScopedEnv locale("LC_ALL", "en_GB.UTF-8");
  auto* pointer = new MousePointer(flags->getSkin(0));
  ContextLanguageSelect* screen = ask();
  manager->pOverlayLayer->appendChild(pointer);
  EXPECT_TRUE(pointer->bHidden);
  EXPECT_EQ(screen->headings, (std::vector<std::u16string>{u"Choose your language", u"W\u00e4hle deine Sprache"}));
  ASSERT_EQ(screen->items.size(), 2u);

  frame({GameInput::kRight});  // the first key only brings the pointer onto the focused flag
  frame();
  EXPECT_EQ(screen->focusedItem, 0);
  EXPECT_FALSE(pointer->bHidden) << "drawn once the keyboard moves it";
  frame({GameInput::kRight});
  frame();
  EXPECT_EQ(screen->focusedItem, 1);
  frame({GameInput::kEnter});
  for (int i = 0; i < 3 && zib->defaultLanguage < 0; ++i) frame();
  EXPECT_EQ(zib->defaultLanguage, 1);
  EXPECT_TRUE(screen->bFinished);
}

TEST_F(ContextLanguageSelectTest, EscapeKeepsTheLanguageInUseAndAClosedWindowTheSystemsNeverNone) {
  ContextLanguageSelect::lastLanguage = 1;
  ask();
  frame({GameInput::kEscape});
  frame();
  EXPECT_EQ(manager->getTop(), nullptr);
  EXPECT_EQ(zib->defaultLanguage, 1);
  delete manager;

  // The window closed on the question: the game object deletes the stack.
  ScopedEnv locale("LC_ALL", "de_DE.UTF-8");
  ContextLanguageSelect::lastLanguage = -1;
  zib->defaultLanguage = -1;
  ask();
  delete manager;
  manager = nullptr;
  EXPECT_EQ(zib->defaultLanguage, 1);
}

}  // namespace
