// The program's entry point: wires the game and the backends into the engine.
#include "app/GameHooks.h"
#include "app/GameModules.h"
#include "engine/AppShell.h"
#include "program/Backends.h"

int main(int argc, char** argv) {
  registerBackends();
  setWindowBackend(makeDesktopWindowBackend());
  setAudioOutput(makeDesktopAudioOutput());
  installGameModules();
  installGameHooks();
  return runApplication(argc, argv);
}
