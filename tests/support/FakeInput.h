#pragma once
// The scripted DirectInput of the tests: a keyboard and game controllers whose
// state the test sets. Devices follow the foreground level as the real ones
// do: a read fails until the device is acquired while `bFocus` holds.
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
    bool bOpenFails = false;  // CreateDevice fails
  };
  uint8_t keys[256] = {};
  bool bFocus = true;
  bool bCreateFails = false;
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
