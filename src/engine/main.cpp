// The program's entry point.
#include "engine/AppShell.h"
#include "platform/Window.h"

int main(int argc, char** argv) {
  setWindowBackend(makeSdlWindowBackend());
  return runApplication(argc, argv);
}
