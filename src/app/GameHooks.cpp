#include "app/GameHooks.h"

#include "app/ContextManager.h"
#include "app/GameGlobal.h"
#include "engine/AppShell.h"
#include "engine/Zib.h"

namespace {

bool runGameFrame() {
  ContextManager* screens = gameGlobal->pContextManager;
  zib->frame(screens);
  return screens->bQuit;
}

}  // namespace

void installGameHooks() {
  appHooks.createEngine = [](void* hAppInstance, void* hWindowHandle) { new Zib(hAppInstance, hWindowHandle); };
  appHooks.createGame = [] { return new GameGlobal(); };
  appHooks.initPreLoader = [] { gameGlobal->initPreLoader(); };
  appHooks.deleteGame = [] { delete gameGlobal; };
  appHooks.runFrame = runGameFrame;
  appHooks.saveUserData = [] { gameGlobal->saveUserData(); };
  appHooks.pendingWebLink = [] { return gameGlobal->pendingWebLink; };
}
