// The program's entry point.
#include "app/GameHooks.h"
#include "engine/AppShell.h"
#include "platform/Audio.h"
#include "platform/Window.h"

int main(int argc, char** argv) {
  setWindowBackend(makeSdlWindowBackend());
  setAudioOutput(makeSdlAudioOutput());
  installGameHooks();
  return runApplication(argc, argv);
}
