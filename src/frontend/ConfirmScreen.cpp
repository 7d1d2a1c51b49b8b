#include "frontend/ConfirmScreen.h"

#include "app/GameInput.h"
#include "app/MenuButton.h"
#include "app/TextBlockView.h"
#include "graphics/text/FontQuad.h"
#include "localisation/TextKeys.h"

ConfirmScreen::ConfirmScreen(Context* target, std::u16string question) : pTarget(target), question(std::move(question)) {
  bDeleteWhenFinished = 1;
  if (const auto* menu = dynamic_cast<const ContextMenu*>(target); menu && this->question.empty())
    this->question = menu->leaveQuestion;
  if (this->question.empty()) this->question = text(CONFIRM_LEAVE);
  if (FontQuad* font = findFont(u"fontLarge")) {
    auto* view = new TextBlockView(font, 700, -1, this->question, true);
    view->setPosition(0, 90, 0);
    appendChild(view);
  }
  // Yes first: Enter answers what the player just asked for.
  pYesButton = addButton(-110, -60, text(MENU_YES));
  pNoButton = addButton(110, -60, text(MENU_NO));
}

void ConfirmScreen::tickContents(double time, double delta) {
  ContextMenu::tickContents(time, delta);
  if (pYesButton ? pYesButton->bClicked : GameInput::isKeyPressed(GameInput::kEnter)) confirm();
  if (pNoButton && pNoButton->bClicked) bFinished = 1;
}

void ConfirmScreen::confirm() {
  bFinished = 1;
  pTarget->bFinished = 1;
}
