#include "app/ContextMenu.h"

#include "app/GameInput.h"
#include "app/MenuButton.h"
#include "app/MenuSelector.h"
#include "engine/ResourceManager.h"
#include "engine/Zib.h"
#include "engine/input/ZibInput.h"
#include "graphics/Camera.h"
#include "graphics/Renderable.h"
#include "graphics/Skin.h"
#include "graphics/text/FontQuad.h"
#include "localisation/Language.h"

namespace {

Skin* findSkin(const char16_t* name) {
  return zib->pResourceManager ? dynamic_cast<Skin*>(zib->pResourceManager->find(false, name)) : nullptr;
}

}  // namespace

ContextMenu::~ContextMenu() { items.clear(); }

void ContextMenu::addItem(Renderable* item) {
  appendChild(item);
  items.push_back(std::make_unique<ObjectLink>(this));
  items.back()->setTarget(item);
}

void ContextMenu::focusItem(int32_t index) {
  if (items.empty() || !zib->pZibInput) return;
  const auto count = static_cast<int32_t>(items.size());
  focusedItem = (index % count + count) % count;
  auto* item = static_cast<Renderable*>(items[focusedItem]->target);
  if (!item || !pCamera) return;
  // World units to the pointer's logical pixels from the bottom-left corner.
  const RectF view = pCamera->getViewRect(0);
  zib->pZibInput->setPointerPosition(Vector3(item->position.x - view.left, item->position.y - view.bottom, 0));
}

MenuButton* ContextMenu::addButton(float x, float y, std::u16string label) {
  Skin* normal = findSkin(u"buttonSkin");
  if (!normal) return nullptr;
  auto* button = new MenuButton(normal, findSkin(u"buttonHoverSkin"), findSkin(u"buttonPressedSkin"),
                                findFont(u"fontMedium"), std::move(label));
  button->setPosition(x, y, 0);
  addItem(button);
  return button;
}

MenuSelector* ContextMenu::addSelector(float x, float y, std::u16string caption, std::vector<std::u16string> values,
                                       int32_t index, bool bWraps) {
  Skin* normal = findSkin(u"buttonSkin");
  if (!normal) return nullptr;
  auto* selector = new MenuSelector(normal, findSkin(u"buttonHoverSkin"), findSkin(u"buttonPressedSkin"),
                                    findFont(u"fontMedium"), std::move(caption), std::move(values), index, bWraps);
  selector->setPosition(x, y, 0);
  addItem(selector);
  return selector;
}

FontQuad* ContextMenu::findFont(const char16_t* name) {
  return zib->pResourceManager ? dynamic_cast<FontQuad*>(zib->pResourceManager->find(false, name)) : nullptr;
}

std::u16string ContextMenu::text(int32_t key) { return zib->pLanguage ? zib->pLanguage->getString(key) : u""; }

void ContextMenu::onInputModeChange() {
  if (zib->pZibInput && zib->pZibInput->inputMode == 0) focusItem(focusedItem);
}

void ContextMenu::onEnter(bool firstEnter) {
  Context::onEnter(firstEnter);
  // Unless the mouse holds it, the pointer comes onto this screen's focused
  // item, which lights up: what Enter will press shows from the first frame.
  if (zib->pZibInput && zib->pZibInput->inputMode != 1) focusItem(focusedItem);
}

void ContextMenu::navigate(bool bLit) {
  ZibInput* input = zib->pZibInput;
  if (!input || GameInput::isConsoleOpen()) return;
  int32_t step = 0, side = 0;
  bool bPress = input->isKeyPressed(GameInput::kEnter) || input->isKeyPressed(GameInput::kNumpadEnter);
  for (int32_t j = 0; j < 4; ++j) {
    const int32_t base = GameInput::kControllerFirstSlot + j * GameInput::kControllerSlots;
    if (input->isKeyPressed(base + GameInput::kControllerUp)) step = -1;
    if (input->isKeyPressed(base + GameInput::kControllerDown)) step = 1;
    if (input->isKeyPressed(base + GameInput::kControllerLeft)) side = -1;
    if (input->isKeyPressed(base + GameInput::kControllerRight)) side = 1;
    if (input->isKeyPressed(base + GameInput::kControllerFirstButton)) bPress = true;
  }
  if (input->isKeyPressed(GameInput::kUp)) step = -1;
  if (input->isKeyPressed(GameInput::kDown)) step = 1;
  if (input->isKeyPressed(GameInput::kLeft)) side = -1;
  if (input->isKeyPressed(GameInput::kRight)) side = 1;
  if (step != 0 || side != 0 || bPress) {
    if (input->inputMode != 0) {
      input->setInputMode(0);  // the pointer goes to the focused item first
      step = side = 0;
    }
    // Nothing shows what a press would take: this one only lights the focused item.
    if (bPress && !bLit) {
      focusItem(focusedItem);
      bPress = false;
    }
    // Left and right change the value of a focused selector; elsewhere they move as up and down do.
    auto* selector = side != 0 && focusedItem < static_cast<int32_t>(items.size())
                         ? dynamic_cast<MenuSelector*>(items[focusedItem]->target)
                         : nullptr;
    if (selector)
      selector->step(side);
    else if (step == 0)
      step = side;
    if (step != 0) focusItem(focusedItem + step);
  }
  // A click where the pointer stands: the item under it takes it as its own.
  if (bPress) input->addMouseContact();
}

void ContextMenu::tickContents(double time, double delta) {
  Context::tickContents(time, delta);
  // The item the pointer lights is the focused one: a key then acts on what the player sees lit.
  bool bLit = false;
  for (size_t i = 0; i < items.size(); ++i) {
    const auto* button = dynamic_cast<const MenuButton*>(items[i]->target);
    if (button && button->look != MenuButton::kNormal) {
      focusedItem = static_cast<int32_t>(i);
      bLit = true;
    }
  }
  navigate(bLit);
}
