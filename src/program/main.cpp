// The program's entry point: wires the game and the backends into the engine.
#include "app/GameHooks.h"
#include "app/GameModules.h"
#include "engine/AppShell.h"
#include "program/Backends.h"
#include "program/ProgramIcon.h"

int main(int argc, char** argv) {
  registerBackends();
  setWindowBackend(makeDesktopWindowBackend());
  SetClassIcon(programIcon());
  setAudioOutput(makeDesktopAudioOutput());
  installGameModules();
  installGameHooks();
  return runApplication(argc, argv);
}
