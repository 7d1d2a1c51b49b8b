#include "app/ContextManager.h"

#include "engine/Zib.h"

ZIB_DEFINE_CLASS(ContextManager, Context, nullptr);

ContextManager::ContextManager() = default;

ContextManager::~ContextManager() {
  for (auto it = screens.rbegin(); it != screens.rend(); ++it)
    if ((*it)->bDeleteWhenFinished) (*it)->destroy();
}

void ContextManager::push(Context* screen) {
  screens.push_back(screen);
  bTopChanged = true;
}

void ContextManager::requestEscape() { bEscapeRequested = true; }

void ContextManager::tickContents(double time, double delta) {
  while (!screens.empty() && screens.back()->bFinished) {
    Context* const finished = screens.back();
    screens.pop_back();
    bTopChanged = true;
    finished->onLeave(true);
    if (finished->bDeleteWhenFinished) finished->destroy();
  }
  const bool escape = bEscapeRequested;
  bEscapeRequested = false;
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
  if (top->pScreenBackground) top->pScreenBackground->frameTick(time, delta);
  top->frameTick(time, delta);
  // Screens that confirm first wait for the confirmation dialog, which is not there yet.
  if (escape && top->bEscapeAllowed && !top->bEscapeConfirms) top->bFinished = 1;
}

void ContextManager::renderContents() {
  Context* const top = getTop();
  if (!top) return;
  if (top->bShowBackground && zib->bHasFocus && top->pScreenBackground) top->pScreenBackground->frameRender();
  top->frameRender();
}
