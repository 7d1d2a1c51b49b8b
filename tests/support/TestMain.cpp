// The test program's entry point. Fixtures install what they need.
#include <gtest/gtest.h>

#include <cstdlib>

int main(int argc, char** argv) {
  // Fatal-error tests must never wait on a dialog, even on a desktop.
  setenv("ZIB_NO_MESSAGE_BOX", "1", 1);
  ::testing::InitGoogleTest(&argc, argv);
  return RUN_ALL_TESTS();
}
