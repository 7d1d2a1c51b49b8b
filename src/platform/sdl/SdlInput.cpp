// DirectInput over SDL: the keyboard from the event pump's scan-code bytes,
// game controllers from SDL's joystick and game-controller API.
#include <SDL.h>

#include <algorithm>
#include <cstring>

#include "base/StringUtils.h"
#include "platform/sdl/SdlEventPump.h"
#include "platform/sdl/SdlInput.h"

namespace {

constexpr uint32_t kCentred = 0xFFFFFFFF;

uint32_t povOf(bool up, bool right, bool down, bool left) {
  if (up && down) up = down = false;
  if (left && right) left = right = false;
  if (up) return right ? 4500 : left ? 31500 : 0;
  if (down) return right ? 13500 : left ? 22500 : 18000;
  if (right) return 9000;
  if (left) return 27000;
  return kCentred;
}

class SdlDevice : public IDirectInputDevice8 {
 public:
  int32_t SetCooperativeLevel(void*, uint32_t) override { return DI_OK; }
  int32_t SetDataFormat(DIDATAFORMAT) override { return DI_OK; }
  int32_t SetRange(uint32_t, int32_t, int32_t) override { return DIERR_INVALIDPARAM; }
  int32_t Acquire() override {
    // Foreground level: only the focused window may hold the device.
    bAcquired = sdlpump::hasFocus();
    return bAcquired ? DI_OK : DIERR_NOTACQUIRED;
  }
  int32_t Unacquire() override {
    bAcquired = false;
    return DI_OK;
  }
  int32_t Poll() override { return readable(); }

 protected:
  int32_t readable() {
    if (!sdlpump::hasFocus()) bAcquired = false;
    return bAcquired ? DI_OK : DIERR_NOTACQUIRED;
  }
  bool bAcquired = false;
};

class SdlKeyboardDevice final : public SdlDevice {
 public:
  int32_t GetDeviceState(uint32_t size, void* data) override {
    if (size != 256) return DIERR_INVALIDPARAM;
    if (const int32_t result = readable(); result != DI_OK) return result;
    sdlpump::readKeyboard(static_cast<uint8_t*>(data));
    return DI_OK;
  }
};

class SdlControllerDevice final : public SdlDevice {
 public:
  explicit SdlControllerDevice(int index) {
    open(index);
    if (joystick) guid = SDL_JoystickGetGUID(joystick);
    addedSeen = sdlpump::joysticksAdded();
  }
  ~SdlControllerDevice() override { close(); }
  bool isOpen() const { return joystick != nullptr; }

  // A controller unplugged leaves its handle detached for good: once SDL has
  // reported a device added, the same controller (its GUID, on an index no
  // one holds open) is opened again in its place.
  int32_t Acquire() override {
    if (!SDL_JoystickGetAttached(joystick) && sdlpump::joysticksAdded() != addedSeen) {
      addedSeen = sdlpump::joysticksAdded();
      reopen();
    }
    return SdlDevice::Acquire();
  }

  int32_t SetRange(uint32_t axisOffset, int32_t min, int32_t max) override {
    if ((axisOffset != DIJOFS_X && axisOffset != DIJOFS_Y) || min >= max) return DIERR_INVALIDPARAM;
    range[axisOffset / 4] = {min, max};
    return DI_OK;
  }

  int32_t GetDeviceState(uint32_t size, void* data) override {
    if (size != sizeof(DIJOYSTATE)) return DIERR_INVALIDPARAM;
    if (const int32_t result = readable(); result != DI_OK) return result;
    if (!SDL_JoystickGetAttached(joystick)) return DIERR_INPUTLOST;
    DIJOYSTATE state = {};
    std::fill(std::begin(state.rgdwPOV), std::end(state.rgdwPOV), kCentred);
    if (pad) {
      state.lX = scale(0, SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTX));
      state.lY = scale(1, SDL_GameControllerGetAxis(pad, SDL_CONTROLLER_AXIS_LEFTY));
      static constexpr SDL_GameControllerButton kOrder[] = {
          SDL_CONTROLLER_BUTTON_A,         SDL_CONTROLLER_BUTTON_B,          SDL_CONTROLLER_BUTTON_X,
          SDL_CONTROLLER_BUTTON_Y,         SDL_CONTROLLER_BUTTON_LEFTSHOULDER, SDL_CONTROLLER_BUTTON_RIGHTSHOULDER,
          SDL_CONTROLLER_BUTTON_BACK,      SDL_CONTROLLER_BUTTON_START,      SDL_CONTROLLER_BUTTON_LEFTSTICK,
          SDL_CONTROLLER_BUTTON_RIGHTSTICK};
      for (size_t b = 0; b < std::size(kOrder); ++b)
        state.rgbButtons[b] = SDL_GameControllerGetButton(pad, kOrder[b]) ? 0x80 : 0;
      state.rgdwPOV[0] = povOf(SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_UP),
                               SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_RIGHT),
                               SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_DOWN),
                               SDL_GameControllerGetButton(pad, SDL_CONTROLLER_BUTTON_DPAD_LEFT));
    } else {
      const int axes = SDL_JoystickNumAxes(joystick);
      if (axes > 0) state.lX = scale(0, SDL_JoystickGetAxis(joystick, 0));
      if (axes > 1) state.lY = scale(1, SDL_JoystickGetAxis(joystick, 1));
      const int hats = std::min(SDL_JoystickNumHats(joystick), 4);
      for (int h = 0; h < hats; ++h) {
        const Uint8 hat = SDL_JoystickGetHat(joystick, h);
        state.rgdwPOV[h] = povOf(hat & SDL_HAT_UP, hat & SDL_HAT_RIGHT, hat & SDL_HAT_DOWN, hat & SDL_HAT_LEFT);
      }
      const int buttons = std::min(SDL_JoystickNumButtons(joystick), 32);
      for (int b = 0; b < buttons; ++b) state.rgbButtons[b] = SDL_JoystickGetButton(joystick, b) ? 0x80 : 0;
    }
    std::memcpy(data, &state, sizeof state);
    return DI_OK;
  }

 private:
  // SDL's -32768..32767 onto the axis range (0..65535 until set, as DirectInput has it).
  int32_t scale(int axis, Sint16 value) const {
    const auto [min, max] = range[axis];
    return static_cast<int32_t>(min + (static_cast<int64_t>(value) + 32768) * (static_cast<int64_t>(max) - min) / 65535);
  }

  void open(int index) {
    // A pad that SDL's database knows reads in the order it has through
    // DirectInput on Windows: A, B, X, Y, shoulders, back, start, sticks.
    if (SDL_IsGameController(index)) pad = SDL_GameControllerOpen(index);
    joystick = pad ? SDL_GameControllerGetJoystick(pad) : SDL_JoystickOpen(index);
  }
  void close() {
    if (pad)
      SDL_GameControllerClose(pad);
    else if (joystick)
      SDL_JoystickClose(joystick);
    pad = nullptr;
    joystick = nullptr;
  }
  void reopen() {
    for (int i = 0, count = SDL_NumJoysticks(); i < count; ++i) {
      const SDL_JoystickGUID found = SDL_JoystickGetDeviceGUID(i);
      if (std::memcmp(&found, &guid, sizeof guid) != 0) continue;
      if (SDL_JoystickFromInstanceID(SDL_JoystickGetDeviceInstanceID(i))) continue;  // another device's
      close();
      open(i);
      return;
    }
  }

  SDL_GameController* pad = nullptr;
  SDL_Joystick* joystick = nullptr;
  SDL_JoystickGUID guid = {};
  uint32_t addedSeen = 0;
  std::pair<int32_t, int32_t> range[2] = {{0, 65535}, {0, 65535}};
};

class SdlDirectInput final : public IDirectInput8 {
 public:
  SdlDirectInput() { bStarted = SDL_InitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER) == 0; }
  ~SdlDirectInput() override {
    if (bStarted) SDL_QuitSubSystem(SDL_INIT_JOYSTICK | SDL_INIT_GAMECONTROLLER);
  }

  int32_t CreateKeyboard(std::unique_ptr<IDirectInputDevice8>& device) override {
    device = std::make_unique<SdlKeyboardDevice>();
    return DI_OK;
  }

  int32_t CreateDevice(uint32_t guidInstance, std::unique_ptr<IDirectInputDevice8>& device) override {
    if (!bStarted) return DIERR_DEVICENOTREG;
    auto controller = std::make_unique<SdlControllerDevice>(static_cast<int>(guidInstance));
    if (!controller->isOpen()) return DIERR_DEVICENOTREG;
    device = std::move(controller);
    return DI_OK;
  }

  int32_t EnumGameControllers(const std::function<int32_t(const DIDEVICEINSTANCE&)>& callback) override {
    if (!bStarted) return DI_OK;  // no joystick support: no controllers
    // The ones attached now; later ones are not taken up (but one that was
    // taken up and unplugged is opened again when it comes back).
    const int count = SDL_NumJoysticks();
    for (int i = 0; i < count; ++i) {
      DIDEVICEINSTANCE instance;
      instance.guidInstance = static_cast<uint32_t>(i);
      const char* name = SDL_IsGameController(i) ? SDL_GameControllerNameForIndex(i) : SDL_JoystickNameForIndex(i);
      instance.tszInstanceName = instance.tszProductName = fromUtf8(name ? name : "");
      if (callback(instance) == DIENUM_STOP) break;
    }
    return DI_OK;
  }

 private:
  bool bStarted = false;
};

}  // namespace

std::unique_ptr<IDirectInput8> makeSdlDirectInput() { return std::make_unique<SdlDirectInput>(); }
