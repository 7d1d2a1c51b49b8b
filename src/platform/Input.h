#pragma once
// A DirectInput-style input layer: the system keyboard as 256 scan-code
// bytes and up to four game controllers as DIJOYSTATE records, read on
// demand. Devices follow the foreground cooperative level: while the window
// has no focus a read fails with DIERR_NOTACQUIRED and the caller acquires
// the device again. The SDL backend is fed by the one event pump of the
// window layer; tests install a scripted backend.
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

constexpr int32_t DI_OK = 0;
constexpr int32_t DIERR_NOTACQUIRED = static_cast<int32_t>(0x8007000C);
constexpr int32_t DIERR_INPUTLOST = static_cast<int32_t>(0x8007001E);
constexpr int32_t DIERR_DEVICENOTREG = static_cast<int32_t>(0x80040154);
constexpr int32_t DIERR_INVALIDPARAM = static_cast<int32_t>(0x80070057);
constexpr int32_t DIENUM_STOP = 0;
constexpr int32_t DIENUM_CONTINUE = 1;

constexpr uint32_t DISCL_NONEXCLUSIVE = 0x02;
constexpr uint32_t DISCL_FOREGROUND = 0x04;

// Axis offsets inside DIJOYSTATE (DIPROP_RANGE is set by offset).
constexpr uint32_t DIJOFS_X = 0;
constexpr uint32_t DIJOFS_Y = 4;

// Keyboard scan codes (DirectInput numbering) that the engine itself names.
constexpr uint8_t DIK_ESCAPE = 0x01;
constexpr uint8_t DIK_TAB = 0x0F;
constexpr uint8_t DIK_RETURN = 0x1C;
constexpr uint8_t DIK_LCONTROL = 0x1D;
constexpr uint8_t DIK_GRAVE = 0x29;
constexpr uint8_t DIK_LSHIFT = 0x2A;
constexpr uint8_t DIK_RSHIFT = 0x36;
constexpr uint8_t DIK_LMENU = 0x38;
constexpr uint8_t DIK_SPACE = 0x39;
constexpr uint8_t DIK_F9 = 0x43;
constexpr uint8_t DIK_F10 = 0x44;
constexpr uint8_t DIK_F11 = 0x57;
constexpr uint8_t DIK_RCONTROL = 0x9D;
constexpr uint8_t DIK_RMENU = 0xB8;
constexpr uint8_t DIK_PRIOR = 0xC9;  // Page Up
constexpr uint8_t DIK_NEXT = 0xD1;   // Page Down

struct DIJOYSTATE {
  int32_t lX, lY, lZ;
  int32_t lRx, lRy, lRz;
  int32_t rglSlider[2];
  uint32_t rgdwPOV[4];  // hundredths of a degree clockwise from up; 0xFFFFFFFF centred
  uint8_t rgbButtons[32];  // 0x80 while down
};
static_assert(sizeof(DIJOYSTATE) == 80);

// The two data formats the engine reads.
enum class DIDATAFORMAT { Keyboard, Joystick };
inline constexpr DIDATAFORMAT c_dfDIKeyboard = DIDATAFORMAT::Keyboard;
inline constexpr DIDATAFORMAT c_dfDIJoystick = DIDATAFORMAT::Joystick;

struct DIDEVICEINSTANCE {
  uint32_t guidInstance = 0;  // the device's handle for CreateDevice
  std::u16string tszInstanceName;
  std::u16string tszProductName;
};

class IDirectInputDevice8 {
 public:
  virtual ~IDirectInputDevice8() = default;
  virtual int32_t SetCooperativeLevel(void* hWnd, uint32_t flags) = 0;
  virtual int32_t SetDataFormat(DIDATAFORMAT format) = 0;
  // DIPROP_RANGE of one axis, addressed by its offset.
  virtual int32_t SetRange(uint32_t axisOffset, int32_t min, int32_t max) = 0;
  virtual int32_t Acquire() = 0;
  virtual int32_t Unacquire() = 0;
  virtual int32_t Poll() = 0;
  // 256 bytes for the keyboard, sizeof(DIJOYSTATE) for a controller.
  virtual int32_t GetDeviceState(uint32_t size, void* data) = 0;
};

class IDirectInput8 {
 public:
  virtual ~IDirectInput8() = default;
  // GUID_SysKeyboard.
  virtual int32_t CreateKeyboard(std::unique_ptr<IDirectInputDevice8>& device) = 0;
  virtual int32_t CreateDevice(uint32_t guidInstance, std::unique_ptr<IDirectInputDevice8>& device) = 0;
  // DI8DEVCLASS_GAMECTRL, attached only; the callback returns DIENUM_CONTINUE or DIENUM_STOP.
  virtual int32_t EnumGameControllers(const std::function<int32_t(const DIDEVICEINSTANCE&)>& callback) = 0;
};

int32_t DirectInput8Create(std::unique_ptr<IDirectInput8>& input);

// What DirectInput8Create gives: the backend the program registers, unless a
// test has put a factory of its own in its place (an empty one puts it back).
// With neither, creation fails.
using DirectInputFactory = std::function<std::unique_ptr<IDirectInput8>()>;
void registerDirectInputBackend(DirectInputFactory factory);
void setDirectInputFactory(DirectInputFactory factory);
