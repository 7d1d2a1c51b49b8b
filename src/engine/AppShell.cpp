#include "engine/AppShell.h"

#include <algorithm>
#include <cstdio>
#include <tuple>

#include "engine/CrashDump.h"
#include "engine/Logger.h"
#include "base/StringUtils.h"
#include "engine/TimeKeeper.h"
#include "engine/AppPaths.h"
#include "engine/Zib.h"
#include "engine/input/TouchContact.h"
#include "engine/input/ZibInput.h"
#include "platform/System.h"
#include "platform/Timers.h"

AppHooks appHooks;
GameGlobal* gameGlobal = nullptr;
bool bRecreateEngine = false;
bool bTouchAvailable = false;
std::u16string programFileName;

namespace {

// GetMessageExtraInfo of a mouse message made from touch: (info & mask) == mask.
constexpr uintptr_t kTouchSignature = 0xFF515700;

void onTouchMessage(WPARAM wParam, LPARAM lParam);
ZibInput* liveInput();

char16_t foldCase(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return std::ranges::equal(a, b, [](char16_t x, char16_t y) { return foldCase(x) == foldCase(y); });
}

// One lock per executable name, in any case.
std::u16string instanceLockName(std::u16string_view exeFileName) {
  std::u16string name(exeFileName);
  std::ranges::transform(name, name.begin(), foldCase);
  return name + u".lock";
}

}  // namespace

int runApplication(int argc, char** argv) {
  installCrashFilter();
  programFileName = getFileName(fromUtf8(argc > 0 ? argv[0] : ""));
  for (int i = 1; i < argc; ++i) commandLineArgs.push_back(fromUtf8(argv[i]));
  // A newcomer learns why no window opens.
  if (const int32_t other = findAnotherInstance()) {
    std::fprintf(stderr, "Skerrion 2 is running already: process %d.\n", static_cast<int>(other));
    return 0;
  }

  installCloseSignalHandlers();
  std::u16string error;
  HWND window = CreateWindow(edition().windowTitle, windowProc, 50, 50, 100, 100, &error);
  if (!window) {
    std::fprintf(stderr, "%s: cannot open the game window: %s\n", toUtf8(edition().windowTitle).c_str(),
                 toUtf8(error).c_str());
    return 1;
  }
  // Our window layer always reports touch points; mouse messages made of them are then ignored.
  bTouchAvailable = RegisterTouchWindow(window, TWF_WANTPALM);
  // Shown normally rather than minimised: without a window manager (Xvfb) a
  // minimised window never gets the focus. The graphics set-up sizes it.
  ShowWindow(window, SW_SHOWNORMAL);
  return runMessageLoop(nullptr, window);
}

int runMessageLoop(void* hInstance, HWND window) {
  MSG message;
  for (;;) {
    if (PeekMessage(message, PM_NOREMOVE)) {
      if (GetMessage(message) == 0) break;
      // No TranslateMessage: typed characters arrive as WM_CHAR already.
      DispatchMessage(message);
    } else if (!runMainLoopStep(hInstance, window)) {
      PostMessage(window, WM_CLOSE, 0, 0);
    }
  }
  return static_cast<int>(message.wParam);
}

bool isAnotherInstanceRunning() { return findAnotherInstance() != 0; }

int32_t findAnotherInstance() {
  const std::vector<ProcessEntry> processes = listProcesses();
  const int32_t selfId = currentProcessId();
  // The running executable's own name, whatever argv[0] says.
  const auto self = std::ranges::find(processes, selfId, &ProcessEntry::pid);
  const std::u16string exeFileName = self != processes.end() ? self->exeFileName : programFileName;
  // Copies started together would each find the other in the list and all
  // end: the lock, held for the whole run, lets exactly one run and names it.
  // Only when no lock can be had does the list decide.
  const int32_t holder = lockForTheRun(instanceLockName(exeFileName));
  return holder >= 0 ? holder : findAnotherInstance(processes, exeFileName, currentUserId(), selfId);
}

int32_t findAnotherInstance(const std::vector<ProcessEntry>& processes, std::u16string_view exeFileName,
                            uint32_t userId, int32_t selfId) {
  // The earliest copy runs: copies started together all agree on which, by
  // start time and then process id, so exactly one of them goes on.
  const auto earlier = [](const ProcessEntry& a, const ProcessEntry& b) {
    return std::tie(a.startTime, a.pid) < std::tie(b.startTime, b.pid);
  };
  const ProcessEntry* first = nullptr;
  const ProcessEntry* self = nullptr;
  for (const ProcessEntry& process : processes) {
    if (process.pid == selfId) self = &process;
    else if (process.userId == userId && equalsIgnoringCase(process.exeFileName, exeFileName) &&
             (!first || earlier(process, *first)))
      first = &process;
  }
  return first && !(self && earlier(*self, *first)) ? first->pid : 0;
}

LRESULT windowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  switch (message) {
    case WM_DESTROY:
      PostQuitMessage(0);
      return 0;
    case WM_ACTIVATE:
      if (LOWORD(wParam) == WA_INACTIVE)
        WMhooks::windowFocusLost();
      else
        WMhooks::windowFocusGained();
      break;
    case WM_CLOSE:
      onWindowClose();
      break;
    case WM_ENDSESSION:
      if (wParam) onEndSession();
      return 0;
    case WM_CHAR:
      onCharMessage(wParam);
      break;
    case WM_SYSCOMMAND:
      // Alt and F10 never open the window menu.
      if ((wParam & 0xFFF0) == SC_KEYMENU) return 1;
      break;
    case WM_MOUSEMOVE:
      if (isRealMouseMessage()) onMouseMoveMessage(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam));
      break;
    case WM_LBUTTONDOWN:
    case WM_RBUTTONDOWN:
    case WM_MBUTTONDOWN:
      if (isRealMouseMessage())
        onMouseDownMessage(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam),
                           message == WM_LBUTTONDOWN ? 0 : message == WM_RBUTTONDOWN ? 1 : 2);
      break;
    case WM_LBUTTONUP:
    case WM_RBUTTONUP:
    case WM_MBUTTONUP:
      if (isRealMouseMessage())
        onMouseUpMessage(GET_X_LPARAM(lParam), GET_Y_LPARAM(lParam),
                         message == WM_LBUTTONUP ? 0 : message == WM_RBUTTONUP ? 1 : 2);
      break;
    case WM_MOUSEWHEEL:
      onMouseWheelMessage(GET_WHEEL_DELTA_WPARAM(wParam));
      break;
    case WM_TOUCH:
      onTouchMessage(wParam, lParam);
      return 0;
  }
  return DefWindowProc(hWnd, message, wParam, lParam);
}

namespace {

constexpr UINT kMaxTouchInputs = 100;

void onTouchMessage(WPARAM wParam, LPARAM lParam) {
  if (!bTouchAvailable) return;
  const UINT count = std::min<UINT>(LOWORD(wParam), kMaxTouchInputs);
  TOUCHINPUT inputs[kMaxTouchInputs];
  if (count > 0 && GetTouchInputInfo(lParam, count, inputs, sizeof(TOUCHINPUT))) {
    for (UINT i = 0; i < count; ++i) {
      if (inputs[i].dwFlags & TOUCHEVENTF_DOWN) onTouchDownInput(inputs[i]);
      if (inputs[i].dwFlags & TOUCHEVENTF_UP) onTouchUpInput(inputs[i]);
      if (inputs[i].dwFlags & TOUCHEVENTF_MOVE) onTouchMoveInput(inputs[i]);
    }
  }
  CloseTouchInputHandle(lParam);
}

ZibInput* liveInput() { return zib ? zib->pZibInput : nullptr; }

double now() { return zib->pTimeKeeper ? zib->pTimeKeeper->getElapsedTime() : 0.0; }

// A touch record's point in client pixels.
Vector3 touchPoint(const TOUCHINPUT& input) {
  POINT point{input.x / 100, input.y / 100};
  ScreenToClient(static_cast<HWND>(zib->hWindowHandle), point);
  return {static_cast<float>(point.x), static_cast<float>(point.y), 0};
}

void startContact(ZibInput& input, const Vector3& position, int32_t tag) {
  auto* contact = new TouchContact();
  contact->time = contact->prevTime = now();
  contact->pressFrame = zib->frameCounter + 1;
  contact->tag = tag;
  contact->rawPos = contact->prevRawPos = contact->startRawPos = position;
  input.contactList.appendChild(contact);
}

// Previous values are taken once per frame, however many moves arrive.
void moveContact(TouchContact& contact, const Vector3& position) {
  const int32_t next = zib->frameCounter + 1;
  if (contact.moveFrame != next) {
    contact.prevTime = contact.time;
    contact.prevRawPos = contact.rawPos;
    contact.moveFrame = next;
  }
  contact.time = now();
  contact.rawPos = position;
}

void endContact(TouchContact& contact, const Vector3& position) {
  contact.prevTime = contact.time;
  contact.time = now();
  contact.releaseFrame = zib->frameCounter + 1;
  contact.tag = -1;
  contact.rawPos = position;
}

}  // namespace

void onMouseDownMessage(int x, int y, int button) {
  ZibInput* input = liveInput();
  if (!input) return;
  input->setInputMode(1);
  input->onMouseButtonDown(button);
  if (input->inputMode != 1 || button != 0) return;
  input->contactList.destroyChildren();
  startContact(*input, Vector3(static_cast<float>(x), static_cast<float>(y), 0), 0);
}

void onMouseUpMessage(int x, int y, int button) {
  ZibInput* input = liveInput();
  if (!input) return;
  input->onMouseButtonUp(button);
  TouchContact* first = input->getContact(0);
  // Only the first release ends the contact.
  if (input->inputMode == 1 && first && first->releaseFrame < 0)
    endContact(*first, Vector3(static_cast<float>(x), static_cast<float>(y), 0));
}

void onMouseMoveMessage(int x, int y) {
  ZibInput* input = liveInput();
  if (!input) return;
  input->setInputMode(1, true);
  input->setMousePosition(x, y);
  TouchContact* first = input->getContact(0);
  // A contact already released keeps where it ended: a move after the
  // button-up in the same frame must not make its click a drag.
  if (input->inputMode == 1 && first && first->releaseFrame < 0)
    moveContact(*first, Vector3(static_cast<float>(x), static_cast<float>(y), 0));
}

void onMouseWheelMessage(int delta) {
  if (ZibInput* input = liveInput()) input->addWheelDelta(delta);
}

void onTouchDownInput(const TOUCHINPUT& record) {
  ZibInput* input = liveInput();
  if (!input) return;
  const auto id = static_cast<int32_t>(record.dwID);
  if (TouchContact* old = input->findContact(id)) {
    old->releaseFrame = zib->frameCounter + 1;
    old->tag = -1;
  }
  const Vector3 position = touchPoint(record);
  input->setInputMode(2);
  startContact(*input, position, id);
}

void onTouchMoveInput(const TOUCHINPUT& record) {
  ZibInput* input = liveInput();
  if (!input) return;
  const Vector3 position = touchPoint(record);
  if (TouchContact* contact = input->findContact(static_cast<int32_t>(record.dwID))) moveContact(*contact, position);
}

void onTouchUpInput(const TOUCHINPUT& record) {
  ZibInput* input = liveInput();
  if (!input) return;
  const Vector3 position = touchPoint(record);
  if (TouchContact* contact = input->findContact(static_cast<int32_t>(record.dwID))) endContact(*contact, position);
}

bool isRealMouseMessage() { return !(bTouchAvailable && (GetMessageExtraInfo() & kTouchSignature) == kTouchSignature); }

bool runMainLoopStep(void* hInstance, HWND hWnd) {
  if (!zib) {
    if (GetForegroundWindow() != hWnd) {
      Sleep(100);
      return true;
    }
    createZIB(hInstance, hWnd);
  }
  // The frame that sets bQuit is completed; no further frame runs.
  if (appHooks.runFrame()) return false;
  if (bRecreateEngine) {
    deleteZIB();
    bRecreateEngine = false;
  }
  return true;
}

void createZIB(void* hInstance, HWND hWnd) {
  appHooks.createEngine(hInstance, hWnd);
  gameGlobal = appHooks.createGame();
  appHooks.initPreLoader();
  ZIB_LOG(u"Entering game loop.");
}

void deleteZIB() {
  if (zib) ZIB_LOG(u"ZIB shutting down...");
  // The game object first: its destructor still uses the engine's managers.
  if (gameGlobal) {
    appHooks.deleteGame();
    gameGlobal = nullptr;
  }
  if (zib) {
    delete zib;
    zib = nullptr;
  }
}

void onWindowClose() {
  if (!gameGlobal) return;
  const std::u16string link = appHooks.pendingWebLink();
  deleteZIB();
  // Opened once the game is saved and its log closed.
  if (!link.empty()) appHooks.openLink(link);
}

void onEndSession() {
  if (!gameGlobal) return;
  // No shutdown: the display the engine draws on is gone.
  ZIB_LOG(u"The session has ended: saving the user's files.");
  appHooks.saveUserData();
  ZIB_LOG(u"Saved; the program ends without its shutdown.");
}

void onCharMessage(WPARAM character) {
  if (ZibInput* input = liveInput()) input->typedChar = static_cast<char16_t>(character & 0xFFFF);
}

void WMhooks::windowFocusGained() {
  if (!zib) return;
  ZIB_LOG(u"Window focus gained.");
  zib->bHasFocus = true;
}

void WMhooks::windowFocusLost() {
  if (!zib) return;
  ZIB_LOG(u"Window focus lost.");
  zib->bHasFocus = false;
}
