#include "frontend/TitleScreen.h"

#include "app/ContextManager.h"
#include "app/GameGlobal.h"
#include "app/MenuButton.h"
#include "app/ScreenPicture.h"
#include "app/TextBlockView.h"
#include "engine/AppPaths.h"
#include "base/Format.h"
#include "engine/ByteBuffer.h"
#include "engine/FileData.h"
#include "engine/SystemInfo.h"
#include "engine/AppShell.h"
#include "engine/ResourceManager.h"
#include "engine/Zib.h"
#include "engine/audio/SoundStream.h"
#include "engine/audio/ZibAudio.h"
#include "frontend/ContextOptions.h"
#include "graphics/Skin.h"
#include "graphics/text/FontGDI.h"
#include "graphics/text/FontQuad.h"
#include "localisation/Language.h"
#include "localisation/TextKeys.h"

ZIB_DEFINE_HASHED_CLASS(TitleScreen, Context, 0x4229753a, u"_4229753a", makeObject<TitleScreen>);

namespace {

// The name of the game, its number in gold.
constexpr char16_t kTitleMarkup[] = u"Skerrion \x1E{FFD060}2";

template <class T>
T* findResource(const char16_t* name) {
  return dynamic_cast<T*>(zib->pResourceManager->find(false, name));
}

}  // namespace

TitleScreen::TitleScreen() {
  bDeleteWhenFinished = 1;
  pPicture = addScreenPicture(this, u"titleTex", PictureFit::kContain, 60);
  if (pPicture) pPicture->setScaleXY(1.25f);

  // The edition's name: the glyph font with colour markup, then TrueType.
  if (auto* font = findResource<FontQuad>(u"fontLarge")) {
    pName = new TextBlockView(font, 760, -1, kTitleMarkup, true);
    pName->setPosition(0, 232, 0);
    appendChild(pName);
  }
  pNameFont = new FontGDI(16, 1, 1, 1, u"DejaVu Sans");
  nameLine = getVersionString();
  // The message in the current language, word-wrapped, its colours marked up.
  auto* file = findResource<FileData>(u"titleText");
  if (auto* font = findResource<FontQuad>(u"fontSmall"); font && file) {
    file->load();
    ByteBuffer bytes;
    bytes.append(file->block.data, file->block.size);
    pMessage = new TextBlockView(font, 560, -1, bytes.toText(), false);
    pMessage->color = 0xFFE0E8F0;
    pMessage->setPosition(-280, -30, 0);
    appendChild(pMessage);
  }
  if (auto* normal = findResource<Skin>(u"buttonSkin")) {
    const auto addButton = [&](float x, std::u16string label) {
      auto* button = new MenuButton(normal, findResource<Skin>(u"buttonHoverSkin"),
                                    findResource<Skin>(u"buttonPressedSkin"), findResource<FontQuad>(u"fontMedium"),
                                    std::move(label));
      button->setPosition(x, -180, 0);
      addItem(button);
      return button;
    };
    const Language* language = zib->pLanguage;
    pQuitButton = addButton(0, language ? language->getString(MENU_QUIT) : u"Quit");
    // Named in its own language: the way back for a reader of neither.
    pLanguageButton = addButton(260, language ? language->getString(LANGUAGENAME) : u"Language");
    // Last in the order, first on the left: left from Quit reaches it.
    pOptionsButton = addButton(-260, language ? language->getString(MENU_OPTIONS) : u"Options");
  }
}

TitleScreen::~TitleScreen() {
  if (pNameFont) pNameFont->destroy();
}

void TitleScreen::onEnter(bool firstEnter) {
  ContextMenu::onEnter(firstEnter);
  auto* music = findResource<SoundStream>(u"titleMusic");
  if (music && zib->pZibAudio) zib->pZibAudio->setMusic(music);
}

void TitleScreen::focusLanguageButton() {
  for (size_t i = 0; i < items.size(); ++i)
    if (pLanguageButton && items[i]->target == pLanguageButton) focusedItem = static_cast<int32_t>(i);
}

void TitleScreen::tickContents(double time, double delta) {
  ContextMenu::tickContents(time, delta);
  if (pQuitButton && pQuitButton->bClicked) bFinished = 1;
  if (pOptionsButton && pOptionsButton->bClicked && gameGlobal) gameGlobal->pContextManager->push(new ContextOptions(*gameGlobal));
  if (pLanguageButton && pLanguageButton->bClicked) {
    // As the options screen does on a change of language: the next start of
    // the engine asks for it.
    zib->defaultLanguage = -1;
    bRecreateEngine = true;
  }
}

void TitleScreen::renderContents() {
  Context::renderContents();
  if (pNameFont) pNameFont->drawText(0, 168, 0, 0xFFB0C8E0, FontQuad::kAlignCentre | FontQuad::kCentreVertically, nameLine);
}
