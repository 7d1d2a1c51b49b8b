#include "app/ContextManager.h"

#include "frontend/ConfirmScreen.h"
#include "app/GameInput.h"
#include "base/Format.h"
#include "engine/Zib.h"
#include "graphics/Camera.h"
#include "graphics/RectF.h"
#include "graphics/text/FontGDI.h"
#include "graphics/text/FontQuad.h"

ZIB_DEFINE_CLASS(ContextManager, Context, nullptr);

ContextManager::ContextManager() {
  pOverlayLayer = new Context();
  appendChild(pOverlayLayer);
}

ContextManager::~ContextManager() {
  for (auto it = screens.rbegin(); it != screens.rend(); ++it)
    if ((*it)->bDeleteWhenFinished) (*it)->destroy();
}

void ContextManager::push(Context* screen) {
  screens.push_back(screen);
  bTopChanged = true;
}

void ContextManager::tickContents(double time, double delta) {
  while (!screens.empty() && screens.back()->bFinished) {
    Context* const finished = screens.back();
    screens.pop_back();
    bTopChanged = true;
    finished->onLeave(true);
    if (finished->bDeleteWhenFinished) finished->destroy();
  }
  Context* const top = getTop();
  if (!top) {
    bQuit = 1;
    return;
  }
  if (bTopChanged) {
    bTopChanged = false;
    top->onEnter(top->bFirstEnter);
    top->bFirstEnter = 0;
  }
  if (top->pScreenBackground)
    top->pScreenBackground->frameTick(time, delta);
  else if (pSharedBackground && top->bShowBackground)
    pSharedBackground->frameTick(time, delta);
  top->frameTick(time, delta);
  // Read in this tick, so that the press finishes the screen that saw it.
  if (top == getTop() && !top->bFinished) {
    if (GameInput::isKeyPressed(GameInput::kEscape)) {
      onEscape(top);
    } else if (top->bSkipOnPress && (GameInput::isKeyPressed(kFireKeys[0]) || GameInput::isKeyPressed(kFireKeys[1]) ||
                                     GameInput::isNewContact())) {
      top->bFinished = 1;
    }
  }
  if (pOverlayLayer) pOverlayLayer->frameTick(time, delta);
}

void ContextManager::onEscape(Context* top) {
  if (!top->bEscapeAllowed) return;
  if (top->bEscapeConfirms)
    push(new ConfirmScreen(top));
  else
    top->bFinished = 1;
}

void ContextManager::renderContents() {
  Context* const top = getTop();
  if (!top) return;
  if (top->bShowBackground && zib->bHasFocus) {
    Context* const background = top->pScreenBackground ? top->pScreenBackground : pSharedBackground;
    if (background) background->frameRender();
  }
  top->frameRender();
  if (pOverlayLayer) pOverlayLayer->frameRender();
  if (!top->bHideFrameRate) drawFrameRate();
}

void ContextManager::drawFrameRate() {
  if (!zib->pDefaultFont || !pCamera) return;
  const RectF view = pCamera->getViewRect(0);
  zib->pDefaultFont->drawText(view.right - 6, view.top - 8, 0, 0xC0FFFFFF, FontQuad::kAlignRight,
                              formatString(u"%.0lf fps", zib->currentFps));
}
