#include "support/FakeInput.h"

#include <cstring>

namespace {

class FakeDevice : public IDirectInputDevice8 {
 public:
  FakeDevice(std::shared_ptr<FakeInputState> state, int pad) : state(std::move(state)), pad(pad) {}
  int32_t SetCooperativeLevel(void*, uint32_t) override { return result("SetCooperativeLevel"); }
  int32_t SetDataFormat(DIDATAFORMAT) override { return result("SetDataFormat"); }
  int32_t SetRange(uint32_t, int32_t, int32_t) override {
    return pad >= 0 && state->pads[pad].bRangeFails ? DIERR_INVALIDPARAM : DI_OK;
  }
  int32_t Acquire() override {
    bAcquired = state->bFocus;
    return bAcquired ? DI_OK : DIERR_NOTACQUIRED;
  }
  int32_t Unacquire() override {
    bAcquired = false;
    return DI_OK;
  }
  int32_t Poll() override {
    if (pad >= 0) polled = state->pads[pad].state;
    return DI_OK;
  }
  int32_t GetDeviceState(uint32_t size, void* data) override {
    if (!state->bFocus) bAcquired = false;
    if (!bAcquired) return DIERR_NOTACQUIRED;
    if (pad < 0) {
      std::memcpy(data, state->keys, std::min<uint32_t>(size, 256));
      return DI_OK;
    }
    if (!state->pads[pad].bAttached) return DIERR_INPUTLOST;
    std::memcpy(data, &polled, std::min<uint32_t>(size, sizeof(DIJOYSTATE)));
    return DI_OK;
  }

 private:
  int32_t result(const char* call) const {
    return state->failing == (pad < 0 ? "keyboard " : "pad ") + std::string(call) ? DIERR_INVALIDPARAM : DI_OK;
  }
  std::shared_ptr<FakeInputState> state;
  int pad;  // -1: the keyboard
  bool bAcquired = false;
  DIJOYSTATE polled = {};
};

class FakeDirectInput : public IDirectInput8 {
 public:
  explicit FakeDirectInput(std::shared_ptr<FakeInputState> state) : state(std::move(state)) {}
  int32_t CreateKeyboard(std::unique_ptr<IDirectInputDevice8>& device) override {
    if (state->failing == "keyboard CreateDevice") return DIERR_DEVICENOTREG;
    device = std::make_unique<FakeDevice>(state, -1);
    return DI_OK;
  }
  int32_t CreateDevice(uint32_t guid, std::unique_ptr<IDirectInputDevice8>& device) override {
    if (guid >= state->pads.size() || state->failing == "pad CreateDevice") return DIERR_DEVICENOTREG;
    device = std::make_unique<FakeDevice>(state, static_cast<int>(guid));
    return DI_OK;
  }
  int32_t EnumGameControllers(const std::function<int32_t(const DIDEVICEINSTANCE&)>& callback) override {
    if (state->failing == "EnumDevices") return DIERR_INVALIDPARAM;
    for (uint32_t i = 0; i < state->pads.size(); ++i) {
      if (!state->pads[i].bAttached) continue;
      if (callback({i, state->pads[i].name, state->pads[i].name}) == DIENUM_STOP) break;
    }
    return DI_OK;
  }

 private:
  std::shared_ptr<FakeInputState> state;
};

}  // namespace

FakeInput::FakeInput() {
  setDirectInputFactory([state = state]() -> std::unique_ptr<IDirectInput8> {
    if (state->failing == "Create") return nullptr;
    return std::make_unique<FakeDirectInput>(state);
  });
}

FakeInput::~FakeInput() { setDirectInputFactory({}); }
