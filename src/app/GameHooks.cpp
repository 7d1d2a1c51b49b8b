#include "app/GameHooks.h"

#include "app/ContextManager.h"
#include "app/GameGlobal.h"
#include "engine/AppShell.h"
#include "engine/Zib.h"
#include "engine/input/ZibInput.h"

namespace {

bool runGameFrame() {
  ContextManager* screens = gameGlobal->pContextManager;
  zib->frame(screens);
  // The screen stack finishes its top screen at its next tick.
  if (zib->pZibInput && zib->pZibInput->isKeyPressed(DIK_ESCAPE)) screens->requestEscape();
  return screens->bQuit;
}

}  // namespace

void installGameHooks() {
  appHooks.createEngine = [](void* hAppInstance, void* hWindowHandle) { new Zib(hAppInstance, hWindowHandle); };
  appHooks.createGame = [] { return new GameGlobal(); };
  appHooks.initPreLoader = [] { gameGlobal->initPreLoader(); };
  appHooks.deleteGame = [] { delete gameGlobal; };
  appHooks.runFrame = runGameFrame;
  appHooks.pendingWebLink = [] { return gameGlobal->pendingWebLink; };
}
