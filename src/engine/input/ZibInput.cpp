#include "engine/input/ZibInput.h"

#include <algorithm>
#include <cmath>
#include <cstring>

#include "engine/ErrorManager.h"
#include "engine/LogicalScreen.h"
#include "engine/Logger.h"
#include "engine/MemoryIniFile.h"
#include "engine/TimeKeeper.h"
#include "engine/Zib.h"
#include "engine/input/TouchContact.h"
#include "platform/Window.h"

ZIB_DEFINE_ROOT_CLASS(ZibInput, nullptr);

namespace {

// A failed device call at start-up: the report names the statement, the
// calling function and the source the original reports.
void check(int32_t result, const char16_t* statement, const std::u16string& function, int line) {
  if (result >= 0) return;
  reportFailedStatement(ErrorManager::getHRESULTString(result), statement, function, "src\\ZibInput", line);
}
#define ZIB_INPUT_CHECK(call, text) check(call, text, ZIB_FUNCTION, __LINE__)

// A window that is exactly the logical screen, for a root without graphics.
class WholeWindowMapping final : public ZibInput::ViewMapping {
 public:
  static constexpr float kWidth = kLogicalScreenWidth, kHeight = kLogicalScreenHeight;
  Vector3 windowToView(float x, float y, float z) const override {
    return {std::clamp(x, 0.0f, kWidth), std::clamp(kHeight - y, 0.0f, kHeight), z};
  }
  void viewToWindow(const Vector3& view, float& x, float& y) const override {
    x = std::clamp(view.x, 0.0f, kWidth);
    y = kHeight - std::clamp(view.y, 0.0f, kHeight);
  }
  int32_t screenWidth() const override { return kLogicalScreenWidth; }
  int32_t screenHeight() const override { return kLogicalScreenHeight; }
};

const WholeWindowMapping wholeWindowMapping;

double now() { return zib->pTimeKeeper ? zib->pTimeKeeper->getElapsedTime() : 0.0; }

int32_t modifierCode(const uint8_t* keys) {
  const bool shift = (keys[DIK_LSHIFT] | keys[DIK_RSHIFT]) & 0x80;
  const bool ctrl = (keys[DIK_LCONTROL] | keys[DIK_RCONTROL]) & 0x80;
  const bool alt = (keys[DIK_LMENU] | keys[DIK_RMENU]) & 0x80;
  if (ctrl && alt) return shift ? 7 : 4;
  if (ctrl) return shift ? 5 : 2;
  if (alt) return shift ? 6 : 3;
  return shift ? 1 : 0;
}

}  // namespace

ZibInput::ZibInput() {
  ZIB_LOG(u"Starting...");
  readSettings();

  ZIB_INPUT_CHECK(DirectInput8Create(dxInput),
                  u"DirectInput8Create(zib->hAppInstance, DIRECTINPUT_VERSION, IID_IDirectInput8, (LPVOID*)&dxInput, "
                  u"NULL)");
  if (bTrackKeyboard) {
    ZIB_LOG(u"Grabbing keyboard.");
    ZIB_INPUT_CHECK(dxInput->CreateKeyboard(keyboardDevice),
                    u"dxInput->CreateDevice(GUID_SysKeyboard, &keyboardDevice, NULL)");
    ZIB_INPUT_CHECK(keyboardDevice->SetCooperativeLevel(zib->hWindowHandle, DISCL_FOREGROUND | DISCL_NONEXCLUSIVE),
                    u"keyboardDevice->SetCooperativeLevel(zib->hWindowHandle, DISCL_FOREGROUND | DISCL_NONEXCLUSIVE)");
    ZIB_INPUT_CHECK(keyboardDevice->SetDataFormat(c_dfDIKeyboard), u"keyboardDevice->SetDataFormat(&c_dfDIKeyboard)");
  }
  if (bTrackJoystick) {
    ZIB_INPUT_CHECK(
        dxInput->EnumGameControllers([this](const DIDEVICEINSTANCE& instance) { return enumerateCallback(instance); }),
        u"dxInput->EnumDevices(DI8DEVCLASS_GAMECTRL, enumerateCallbackHelper, this, DIEDFL_ATTACHEDONLY)");
    if (numJoysticks == 0) ZIB_LOG(u"Did not find any joysticks.");
  }
  ZIB_LOG(u"Started.");
}

ZibInput::~ZibInput() {
  if (!dxInput) return;
  if (keyboardDevice) keyboardDevice->Unacquire();
  keyboardDevice.reset();
  for (auto& device : joystickDevice) {
    if (device) device->Unacquire();
    device.reset();
  }
  dxInput.reset();
  // contactList destroys the remaining contacts.
}

void ZibInput::readSettings() {
  MemoryIniFile* config = zib->pConfig;
  if (!config) return;  // a bare root keeps the defaults
  const std::u16string section = classInfo.getName();
  const auto readBool = [&](const char16_t* key, bool fallback) {
    if (!config->hasKey(section, key)) config->setBool(fallback, section, key);
    return config->getBool(section, key);
  };
  const auto readDouble = [&](const char16_t* key, double fallback) {
    if (!config->hasKey(section, key)) config->setDouble(fallback, section, key);
    const double value = config->getDouble(section, key);
    return std::isfinite(value) ? value : fallback;
  };
  bTrackKeyboard = readBool(u"bTrackKeyboard", true);
  bTrackJoystick = readBool(u"bTrackJoystick", true);
  // A dead zone of 1 or more would divide by zero or swallow the whole stick.
  joystickDeadZone = std::clamp(readDouble(u"joystickDeadZone", 0.2), 0.0, 0.99);
  repeatRate = readDouble(u"repeatRate", 0.1);
  repeatDelay = readDouble(u"repeatDelay", 0.25);
}

int32_t ZibInput::enumerateCallback(const DIDEVICEINSTANCE& instance) {
  ZIB_LOG(u"Enumerating joystick: %s (%s)", instance.tszInstanceName, instance.tszProductName);
  if (numJoysticks >= kMaxJoysticks) {
    ZIB_LOG(u"Too many joysticks.");
    return DIENUM_CONTINUE;
  }
  auto& device = joystickDevice[numJoysticks];
  ZIB_INPUT_CHECK(dxInput->CreateDevice(instance.guidInstance, device),
                  u"dxInput->CreateDevice(devInstance->guidInstance, &(joystickDevice[numJoysticks]), NULL)");
  ZIB_INPUT_CHECK(device->SetCooperativeLevel(zib->hWindowHandle, DISCL_FOREGROUND | DISCL_NONEXCLUSIVE),
                  u"joystickDevice[numJoysticks]->SetCooperativeLevel(zib->hWindowHandle, DISCL_FOREGROUND | "
                  u"DISCL_NONEXCLUSIVE)");
  ZIB_INPUT_CHECK(device->SetDataFormat(c_dfDIJoystick), u"joystickDevice[numJoysticks]->SetDataFormat(&c_dfDIJoystick)");
  const bool bRangeX = device->SetRange(DIJOFS_X, -1000, 1000) >= 0;
  if (!bRangeX) ZIB_LOG(u"Error: Can't set range X.");
  const bool bRangeY = device->SetRange(DIJOFS_Y, -1000, 1000) >= 0;
  if (!bRangeY) ZIB_LOG(u"Error: Can't set range Y.");
  if (!bRangeX || !bRangeY) {
    ZIB_LOG(u"Joystick initialization failed. Removing joystick...");
    device.reset();
    return DIENUM_CONTINUE;
  }
  ZIB_LOG(u"Using '%s' as joystick %d.", instance.tszInstanceName, numJoysticks);
  ++numJoysticks;
  return DIENUM_CONTINUE;
}

void ZibInput::onZIBmodeChange(int32_t oldMode, int32_t newMode) {
  if (oldMode != 3 || newMode != 2) return;
  while (BasicLink* last = contactList.lastChild) static_cast<ZibBase*>(last)->destroy();
  std::memset(mouseDown, 0, sizeof mouseDown);
  std::memset(prevMouseDown, 0, sizeof prevMouseDown);
  // A button released while the window was in the background sends no up
  // message here: start again from up rather than read it held for ever.
  std::fill(std::begin(mouseButtonState), std::end(mouseButtonState), 0);
}

void ZibInput::centerPointer() {
  const ViewMapping& view = mapping();
  pointerPos = Vector3(static_cast<float>(view.screenWidth() / 2), static_cast<float>(view.screenHeight() / 2), 0);
  setInputMode(2);
}

const ZibInput::ViewMapping& ZibInput::mapping() const {
  return pViewMapping ? *pViewMapping : wholeWindowMapping;
}

void ZibInput::update() {
  if (repeatCountdown <= 0) repeatCountdown = repeatRate;
  repeatCountdown -= zib->getFrameDelta();

  std::memcpy(prevMouseDown, mouseDown, sizeof mouseDown);
  for (int32_t b = 0; b < kMouseButtons; ++b) {
    mouseDown[b] = mouseButtonState[b] != 0;
    if (mouseButtonState[b] == 2) mouseButtonState[b] = 0;
  }

  // Every slot's previous value, whether the keyboard is read or not: the
  // controller slots need it too.
  std::memcpy(prevKeys, keys, sizeof keys);
  if (bTrackKeyboard && keyboardDevice) pollKeyboard();

  contactList.tick(0, 0);

  const Vector3 oldPointer = pointerPos;
  if (inputMode == 1) {
    const Vector3 view = windowToView(static_cast<float>(mouseX), static_cast<float>(mouseY), 0);
    pointerPos = Vector3(view.x, view.y, static_cast<float>(mouseWheel));
  } else if (inputMode == 2) {
    if (TouchContact* first = getContact(0)) pointerPos = first->pos;
  }
  pointerDelta = pointerPos - oldPointer;
  const ViewMapping& view = mapping();
  pointerPos.x = std::clamp(pointerPos.x, 0.0f, static_cast<float>(view.screenWidth()));
  pointerPos.y = std::clamp(pointerPos.y, 0.0f, static_cast<float>(view.screenHeight()));

  if (bTrackJoystick) pollJoysticks();
}

void ZibInput::pollKeyboard() {
  if (keyboardDevice->GetDeviceState(256, keys) == DI_OK) {
    modifiers = modifierCode(keys);
    return;
  }
  // Keys released while the device was not ours would otherwise stay down.
  std::memset(keys, 0, 256);
  modifiers = 0;
  keyboardDevice->Acquire();
}

void ZibInput::pollJoysticks() {
  for (int32_t j = 0; j < numJoysticks; ++j) {
    IDirectInputDevice8* device = joystickDevice[j].get();
    uint8_t* block = keys + kControllerFirstSlot + kControllerSlots * j;
    device->Poll();
    if (device->GetDeviceState(sizeof(DIJOYSTATE), &joystickState[j]) != DI_OK) {
      // Unplugged or not ours: nothing stays held.
      std::memset(block, 0, kControllerSlots);
      std::memset(&joystickState[j], 0, sizeof(DIJOYSTATE));
      std::fill(std::begin(joystickState[j].rgdwPOV), std::end(joystickState[j].rgdwPOV), 0xFFFFFFFFu);
      device->Acquire();
      continue;
    }
    const Vector3 pov = getPovVector(j), stick = getStickVector(j);
    const float x = std::clamp(pov.x + stick.x, -1.0f, 1.0f), y = std::clamp(pov.y + stick.y, -1.0f, 1.0f);
    block[0] = y > 0.5f ? 0x80 : 0;
    block[1] = y < -0.5f ? 0x80 : 0;
    block[2] = x < -0.5f ? 0x80 : 0;
    block[3] = x > 0.5f ? 0x80 : 0;
    std::memcpy(block + kControllerFirstButton, joystickState[j].rgbButtons, 32);
  }
}

int32_t ZibInput::getRepeatedKey() {
  for (int32_t slot = 1; slot < kKeySlots; ++slot) {
    if (isKeyPressed(slot)) {
      repeatKey = slot;
      repeatCountdown = repeatDelay;
      return slot;
    }
  }
  if (!isKeyDown(repeatKey) || repeatCountdown > 0) return 0;
  return repeatKey;
}

Vector3 ZibInput::getStickVector(int32_t n) const {
  if (n < 0 || n >= numJoysticks) return {};
  const double d = joystickDeadZone;
  const auto shape = [d](double v) -> float {
    if (std::fabs(v) <= d || d >= 1.0) return 0.0f;
    const double out = (v > 0 ? 1.0 : -1.0) * (std::fabs(v) - d) / (1.0 - d);
    return static_cast<float>(std::clamp(out, -1.0, 1.0));
  };
  return {shape(joystickState[n].lX / 1000.0), shape(-joystickState[n].lY / 1000.0), 0};
}

Vector3 ZibInput::getPovVector(int32_t n) const {
  if (n < 0 || n >= numJoysticks) return {};
  float x = 0, y = 0;
  for (const uint32_t v : joystickState[n].rgdwPOV) {
    if (v < 6000 || (v >= 30001 && v <= 41999)) y += 1;
    if (v >= 12001 && v <= 23999) y -= 1;
    if (v >= 21001 && v <= 32999) x -= 1;
    if (v >= 3001 && v <= 14999) x += 1;
  }
  return {std::clamp(x, -1.0f, 1.0f), std::clamp(y, -1.0f, 1.0f), 0};
}

void ZibInput::onMouseButtonDown(int32_t button) {
  if (button < 0 || button >= kMouseButtons) return;
  mouseButtonState[button] = 1;
  mouseButtonFrame[button] = zib->frameCounter;
}

void ZibInput::onMouseButtonUp(int32_t button) {
  if (button < 0 || button >= kMouseButtons) return;
  mouseButtonState[button] = mouseButtonFrame[button] == zib->frameCounter ? 2 : 0;
}

void ZibInput::setMousePosition(int32_t x, int32_t y) {
  mouseX = x;
  mouseY = y;
}

void ZibInput::readCursorPosition() {
  POINT point;
  if (GetCursorPos(point) && ScreenToClient(static_cast<HWND>(zib->hWindowHandle), point))
    setMousePosition(point.x, point.y);
}

void ZibInput::addWheelDelta(int32_t delta) { mouseWheel += delta; }

bool ZibInput::isMouseButtonDown(int32_t b) const { return b >= 0 && b < kMouseButtons && mouseDown[b]; }

bool ZibInput::isMouseButtonPressed(int32_t b) const {
  return b >= 0 && b < kMouseButtons && mouseDown[b] && !prevMouseDown[b];
}

bool ZibInput::isMouseButtonReleased(int32_t b) const {
  return b >= 0 && b < kMouseButtons && !mouseDown[b] && prevMouseDown[b];
}

void ZibInput::setInputMode(int32_t mode, bool bByMouseMove) {
  if (mode == inputMode) return;
  ZIB_LOG(u"Setting input mode to %d", mode);
  inputMode = mode;
  if (zib->bRelease) ShowCursor(false);
  if (!bByMouseMove) setPointerPosition(pointerPos);
  ZIB_LOG(u"Notifying %d objects.", zib->objectList.countChildren());
  zib->notifyObjects([](ZibBase* object) { object->onInputModeChange(); });
}

void ZibInput::setPointerPosition(const Vector3& position) {
  pointerPos = position;
  pointerDelta = Vector3();
  if (inputMode != 1) return;
  float x = 0, y = 0;
  mapping().viewToWindow(position, x, y);
  POINT point{static_cast<int32_t>(x), static_cast<int32_t>(y)};
  if (ClientToScreen(static_cast<HWND>(zib->hWindowHandle), point)) SetCursorPos(point.x, point.y);
}

TouchContact* ZibInput::getContact(int32_t index) const {
  if (index < 0) return nullptr;
  BasicLink* node = contactList.firstChild;
  for (; node && index > 0; --index) node = node->next;
  return static_cast<TouchContact*>(node);
}

TouchContact* ZibInput::findContact(int32_t tag) const {
  for (BasicLink* node = contactList.firstChild; node; node = node->next)
    if (static_cast<TouchContact*>(node)->tag == tag) return static_cast<TouchContact*>(node);
  return nullptr;
}

bool ZibInput::isContactPressed(int32_t index) const {
  const TouchContact* contact = getContact(index);
  return contact && contact->bPressed;
}

bool ZibInput::isContactActive(int32_t index) const {
  const TouchContact* contact = getContact(index);
  return contact && contact->bActive;
}

bool ZibInput::isAnyContactPressed() const {
  for (BasicLink* node = contactList.firstChild; node; node = node->next)
    if (static_cast<TouchContact*>(node)->bPressed) return true;
  return false;
}

ZibBase* ZibInput::getContactHandled() const {
  const TouchContact* first = getContact(0);
  return first ? first->handled : nullptr;
}

void ZibInput::addMouseContact() {
  auto* contact = new TouchContact();
  float x = 0, y = 0;
  mapping().viewToWindow(pointerPos, x, y);
  contact->rawPos = contact->startRawPos = contact->prevRawPos = Vector3(x, y, 0);
  contact->time = contact->prevTime = now();
  contact->pressFrame = contact->releaseFrame = zib->frameCounter + 1;
  contact->tag = -1;
  contactList.appendChild(contact);
}
