// The program's entry point.
#include "app/GameHooks.h"
#include "engine/AppShell.h"
#include "platform/Window.h"

int main(int argc, char** argv) {
  setWindowBackend(makeSdlWindowBackend());
  installGameHooks();
  return runApplication(argc, argv);
}
