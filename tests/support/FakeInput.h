#pragma once
// The scripted DirectInput of the tests: a keyboard and game controllers whose
// state the test sets. Devices follow the foreground level as the real ones
// do: a read fails until the device is acquired while `bFocus` holds. A
// controller reads as it was at its last Poll, as polled ones do.
#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "platform/Input.h"

struct FakeInputState {
  struct Pad {
    std::u16string name = u"Pad";
    DIJOYSTATE state = {0, 0, 0, 0, 0, 0, {0, 0}, {0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF, 0xFFFFFFFF}, {}};
    bool bAttached = true;
    bool bRangeFails = false;
  };
  uint8_t keys[256] = {};
  bool bFocus = true;
  // The one call that fails: "Create" (DirectInput8Create), "EnumDevices", or "CreateDevice",
  // "SetCooperativeLevel" or "SetDataFormat" after "keyboard " or "pad ".
  std::string failing;
  std::vector<Pad> pads;
};

// Installs the scripted input for its lifetime; tests take it through TestPlatform::input.
class FakeInput {
 public:
  FakeInput();
  ~FakeInput();
  FakeInput(const FakeInput&) = delete;
  FakeInput& operator=(const FakeInput&) = delete;

  FakeInputState& operator*() { return *state; }
  FakeInputState* operator->() { return state.get(); }

 private:
  std::shared_ptr<FakeInputState> state = std::make_shared<FakeInputState>();
};
