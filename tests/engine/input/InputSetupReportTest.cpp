// A failing device call while the input manager starts is reported with the
// function that made it: the constructor, or the controller enumeration.
#include <gtest/gtest.h>

#include "engine/input/ZibInput.h"
#include "support/EngineFixture.h"
#include "support/TestPlatform.h"

namespace {

class InputSetupReportTest : public EngineTest {
 protected:
  TestPlatform platform;
};

TEST_F(InputSetupReportTest, NamesTheFunctionAndSourceOfTheFailingCall) {
  platform.input().bCreateFails = true;
  EXPECT_FATAL(ZibInput(), "(LPVOID*)&dxInput, NULL)\n Function: ZibInput::ZibInput()\n File: ZibInput\n Line: ");

  platform.input().bCreateFails = false;
  platform.input().pads.resize(2);
  platform.input().pads[1].bOpenFails = true;
  EXPECT_FATAL(ZibInput(),
               "Error: DIERR_DEVICENOTREG (0x80040154)\n"
               " Statement: dxInput->CreateDevice(devInstance->guidInstance, &(joystickDevice[numJoysticks]), NULL)\n"
               " Function: ZibInput::enumerateCallback()\n File: ZibInput\n Line: ");
}

}  // namespace
