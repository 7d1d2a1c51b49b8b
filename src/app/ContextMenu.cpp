#include "app/ContextMenu.h"

#include "app/GameInput.h"
#include "engine/Zib.h"
#include "engine/input/ZibInput.h"
#include "graphics/Camera.h"
#include "graphics/Renderable.h"

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

void ContextMenu::onInputModeChange() {
  if (zib->pZibInput && zib->pZibInput->inputMode == 0) focusItem(focusedItem);
}

void ContextMenu::navigate() {
  ZibInput* input = zib->pZibInput;
  if (!input || GameInput::isConsoleOpen()) return;
  int32_t step = 0;
  bool bPress = input->isKeyPressed(GameInput::kEnter) || input->isKeyPressed(GameInput::kNumpadEnter);
  for (int32_t j = 0; j < 4; ++j) {
    const int32_t base = GameInput::kControllerFirstSlot + j * GameInput::kControllerSlots;
    if (input->isKeyPressed(base + GameInput::kControllerUp) || input->isKeyPressed(base + GameInput::kControllerLeft))
      step = -1;
    if (input->isKeyPressed(base + GameInput::kControllerDown) ||
        input->isKeyPressed(base + GameInput::kControllerRight))
      step = 1;
    if (input->isKeyPressed(base + GameInput::kControllerFirstButton)) bPress = true;
  }
  if (input->isKeyPressed(GameInput::kUp) || input->isKeyPressed(GameInput::kLeft)) step = -1;
  if (input->isKeyPressed(GameInput::kDown) || input->isKeyPressed(GameInput::kRight)) step = 1;
  if (step != 0 || bPress) {
    if (input->inputMode != 0) {
      input->setInputMode(0);  // the pointer goes to the focused item first
      step = 0;
    }
    if (step != 0) focusItem(focusedItem + step);
  }
  // A click where the pointer stands: the item under it takes it as its own.
  if (bPress) input->addMouseContact();
}

void ContextMenu::tickContents(double time, double delta) {
  Context::tickContents(time, delta);
  navigate();
}
