#pragma once
// The input manager: once per ticking frame it reads the keyboard and up to
// four game controllers into 456 key slots, keeps the mouse that the window
// procedure reports, the live touch contacts, one pointer in logical screen
// coordinates, the input mode, the modifiers, the typed character and a key
// auto-repeat for menu navigation.
#include <cstdint>
#include <memory>
#include <string>

#include "engine/ClassInfo.h"
#include "base/Vector3.h"
#include "engine/ZibBase.h"
#include "platform/Input.h"

class TouchContact;

class ZibInput {
  ZIB_DECLARE_ROOT_CLASS()
 public:
  static constexpr int32_t kKeySlots = 456;
  static constexpr int32_t kControllerFirstSlot = 256;
  static constexpr int32_t kControllerSlots = 48;
  static constexpr int32_t kControllerFirstButton = 16;
  static constexpr int32_t kMaxJoysticks = 4;
  static constexpr int32_t kMouseButtons = 4;

  // Window pixels and the logical screen (engine/LogicalScreen.h). The
  // graphics manager installs the mapping of its presentation; without one
  // the window is taken to be exactly the logical screen.
  struct ViewMapping {
    virtual ~ViewMapping() = default;
    // Window client pixels (y down) to logical units, each axis clamped.
    virtual Vector3 windowToView(float x, float y, float z) const = 0;
    // Logical units to window client pixels, each axis clamped.
    virtual void viewToWindow(const Vector3& view, float& x, float& y) const = 0;
    virtual int32_t screenWidth() const = 0;
    virtual int32_t screenHeight() const = 0;
  };

  // Reads the "ZibInput" settings, creates the keyboard and the controllers.
  ZibInput();
  ZibInput(const ZibInput&) = delete;
  ZibInput& operator=(const ZibInput&) = delete;
  virtual ~ZibInput();
  // Only the step from running to paused acts: every contact goes, the mouse buttons read up.
  virtual void onZIBmodeChange(int32_t oldMode, int32_t newMode);

  // The per-frame poll.
  void update();
  // The pointer to the middle of the screen, touch mode.
  void centerPointer();

  bool isKeyDown(int32_t slot) const { return slot >= 0 && slot < kKeySlots && (keys[slot] & 0x80); }
  // Down at this poll and up at the one before.
  bool isKeyPressed(int32_t slot) const { return isKeyDown(slot) && !(prevKeys[slot] & 0x80); }
  // The slot that went down at this poll (the lowest), else the held repeat key when its time has come; else 0.
  int32_t getRepeatedKey();

  Vector3 getStickVector(int32_t n) const;
  Vector3 getPovVector(int32_t n) const;

  // Called by the window procedure; buttons outside 0-3 are ignored.
  void onMouseButtonDown(int32_t button);
  void onMouseButtonUp(int32_t button);
  void setMousePosition(int32_t x, int32_t y);
  // The mouse where the system's cursor is now: a window placed anew under a
  // still mouse gets no move message, and the last one's pixels are the old window's.
  void readCursorPosition();
  void addWheelDelta(int32_t delta);
  bool isMouseButtonDown(int32_t button) const;
  bool isMouseButtonPressed(int32_t button) const;
  bool isMouseButtonReleased(int32_t button) const;

  // Into `mode`; mouse mode puts the system cursor on the pointer, unless the
  // change came from a move of the mouse: then the pointer follows the mouse
  // from where the hand put it.
  void setInputMode(int32_t mode, bool bByMouseMove = false);
  // Also moves the system cursor there in mouse mode.
  void setPointerPosition(const Vector3& position);

  TouchContact* getContact(int32_t index) const;
  TouchContact* findContact(int32_t tag) const;
  bool isContactPressed(int32_t index) const;
  bool isContactActive(int32_t index) const;
  bool isAnyContactPressed() const;
  ZibBase* getContactHandled() const;
  // A synthetic click at the pointer, pressed at the next poll.
  void addMouseContact();

  // The installed mapping, or the one of a window that is the logical screen.
  const ViewMapping& mapping() const;
  Vector3 windowToView(float x, float y, float z) const { return mapping().windowToView(x, y, z); }

  // Filled by the language.
  std::u16string keyNames[kKeySlots];
  int32_t inputMode = 0;
  int32_t modifiers = 0;
  char16_t typedChar = 0;
  ZibBase contactList;
  Vector3 pointerPos;
  Vector3 pointerDelta;
  bool bTrackKeyboard = true;
  uint8_t keys[kKeySlots] = {};
  uint8_t prevKeys[kKeySlots] = {};
  double repeatRate = 0.1;
  double repeatDelay = 0.25;
  double repeatCountdown = 0;
  int32_t repeatKey = 0;
  bool bTrackJoystick = true;
  int32_t numJoysticks = 0;
  double joystickDeadZone = 0.2;
  DIJOYSTATE joystickState[kMaxJoysticks] = {};
  uint8_t mouseDown[kMouseButtons] = {};
  uint8_t prevMouseDown[kMouseButtons] = {};
  int32_t mouseButtonState[kMouseButtons] = {};
  int32_t mouseButtonFrame[kMouseButtons] = {-1, -1, -1, -1};
  int32_t mouseX = 0, mouseY = 0;
  int32_t mouseWheel = 0;
  std::unique_ptr<IDirectInput8> dxInput;
  std::unique_ptr<IDirectInputDevice8> keyboardDevice;
  std::unique_ptr<IDirectInputDevice8> joystickDevice[kMaxJoysticks];
  // Not owning; installed by the graphics manager.
  const ViewMapping* pViewMapping = nullptr;

 private:
  void readSettings();
  // Algorithm of the controller enumeration; always DIENUM_CONTINUE.
  int32_t enumerateCallback(const DIDEVICEINSTANCE& instance);
  void pollKeyboard();
  void pollJoysticks();
};
