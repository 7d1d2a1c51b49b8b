// The test program's entry point. Fixtures install what they need.
#include <gtest/gtest.h>

#include <cstdlib>

#include "app/GameModules.h"
#include "platform/D3D9.h"
#include "program/Backends.h"

int main(int argc, char** argv) {
  // Fatal-error tests must never wait on a dialog, even on a desktop.
  setenv("ZIB_NO_MESSAGE_BOX", "1", 1);
  registerBackends();
  installGameModules();
  // Unit tests draw with the device that records calls and needs no display.
  setGraphicsBackend(GraphicsBackend::Null);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
