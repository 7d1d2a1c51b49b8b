#include "platform/Window.h"

#include <algorithm>
#include <atomic>
#include <deque>
#include <map>
#include <vector>

struct NativeWindow {
  WNDPROC proc = nullptr;
};

namespace {

std::unique_ptr<WindowBackend> backend;
NativeWindow mainWindow;
HWND liveWindow = nullptr;
std::deque<MSG> queue;
bool bQuitPosted = false;
int quitCode = 0;
// Our own idea of the foreground: the window once shown, then following its
// focus events. Without a window manager (Xvfb) no focus event ever comes.
bool bForeground = false;
uintptr_t currentExtraInfo = 0;
std::map<LPARAM, std::vector<TOUCHINPUT>> touchInputs;
LPARAM lastTouchHandle = 0;
int cursorCount = 0;
WindowIcon classIcon;

std::atomic<bool> bCloseRequested{false};
static_assert(std::atomic<bool>::is_always_lock_free, "set from a signal handler");

// Moves what has arrived meanwhile to the end of the queue.
void pumpEvents() {
  if (!liveWindow) return;
  if (bCloseRequested.exchange(false)) queue.push_back({liveWindow, WM_CLOSE, 0, 0, 0});
  MSG message;
  while (backend && backend->pollEvent(message)) {
    message.hwnd = liveWindow;
    if (message.message == WM_ACTIVATE) bForeground = LOWORD(message.wParam) != WA_INACTIVE;
    queue.push_back(message);
  }
}

}  // namespace

void setWindowBackend(std::unique_ptr<WindowBackend> newBackend) {
  if (backend && liveWindow) backend->destroy();
  backend = std::move(newBackend);
  liveWindow = nullptr;
  queue.clear();
  bQuitPosted = false;
  quitCode = 0;
  bForeground = false;
  currentExtraInfo = 0;
  bCloseRequested = false;
  touchInputs.clear();
  cursorCount = 0;
}

void SetClassIcon(WindowIcon icon) { classIcon = std::move(icon); }

HWND CreateWindow(std::u16string_view title, WNDPROC windowProc, int x, int y, int width, int height,
                  std::u16string* error) {
  std::u16string reason;
  if (liveWindow) {
    reason = u"the window is open already";
  } else if (!backend) {
    reason = u"no window backend";
  } else if (backend->create(title, x, y, width, height, reason)) {
    if (!classIcon.argb.empty()) backend->setIcon(classIcon);
    mainWindow.proc = windowProc;
    liveWindow = &mainWindow;
    return liveWindow;
  }
  if (error) *error = reason;
  return nullptr;
}

bool DestroyWindow(HWND hWnd) {
  if (!hWnd || hWnd != liveWindow) return false;
  hWnd->proc(hWnd, WM_DESTROY, 0, 0);
  backend->destroy();
  liveWindow = nullptr;
  bForeground = false;
  std::erase_if(queue, [hWnd](const MSG& message) { return message.hwnd == hWnd; });
  return true;
}

void ShowWindow(HWND hWnd, int showCommand) {
  if (!hWnd || hWnd != liveWindow) return;
  backend->show(showCommand);
  bForeground = showCommand != SW_HIDE;
}

void SetWindowText(HWND hWnd, std::u16string_view text) {
  if (hWnd && hWnd == liveWindow) backend->setTitle(text);
}

void SetWindowPos(HWND hWnd, int x, int y, int width, int height) {
  if (hWnd && hWnd == liveWindow) backend->setPlacement(x, y, width, height);
}

bool GetClientRect(HWND hWnd, RECT& rect) {
  if (!hWnd || hWnd != liveWindow) return false;
  rect = {};
  backend->getClientSize(rect.right, rect.bottom);
  return true;
}

void* GetNativeWindowHandle(HWND hWnd) { return hWnd && hWnd == liveWindow ? backend->nativeHandle() : nullptr; }

HWND GetForegroundWindow() {
  pumpEvents();
  return bForeground ? liveWindow : nullptr;
}

bool PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam) {
  if (hWnd && hWnd != liveWindow) return false;
  queue.push_back({hWnd, message, wParam, lParam, 0});
  return true;
}

void PostQuitMessage(int exitCode) {
  bQuitPosted = true;
  quitCode = exitCode;
}

bool PeekMessage(MSG& message, UINT removeMessage) {
  pumpEvents();
  if (!queue.empty()) {
    message = queue.front();
    if (removeMessage == PM_REMOVE) {
      queue.pop_front();
      currentExtraInfo = message.extraInfo;
    }
    return true;
  }
  if (!bQuitPosted) return false;
  message = {nullptr, WM_QUIT, static_cast<WPARAM>(quitCode), 0, 0};
  if (removeMessage == PM_REMOVE) bQuitPosted = false;
  return true;
}

int GetMessage(MSG& message) {
  // The wait is bounded so that a close request from a signal is seen.
  while (!PeekMessage(message, PM_REMOVE)) {
    if (backend) backend->waitEvent(100);
  }
  return message.message == WM_QUIT ? 0 : 1;
}

LRESULT DispatchMessage(const MSG& message) {
  if (!message.hwnd || message.hwnd != liveWindow) return 0;
  return message.hwnd->proc(message.hwnd, message.message, message.wParam, message.lParam);
}

LRESULT DefWindowProc(HWND hWnd, UINT message, WPARAM, LPARAM) {
  if (message == WM_CLOSE) DestroyWindow(hWnd);
  return 0;
}

uintptr_t GetMessageExtraInfo() { return currentExtraInfo; }

void requestWindowClose() { bCloseRequested = true; }

void endSession() {
  if (liveWindow) liveWindow->proc(liveWindow, WM_ENDSESSION, 1, 0);
}

LPARAM MakeTouchInputHandle(const TOUCHINPUT* inputs, uint32_t count) {
  touchInputs[++lastTouchHandle].assign(inputs, inputs + count);
  return lastTouchHandle;
}

bool GetTouchInputInfo(LPARAM hTouchInput, UINT count, TOUCHINPUT* inputs, int size) {
  const auto found = touchInputs.find(hTouchInput);
  if (found == touchInputs.end() || size != static_cast<int>(sizeof(TOUCHINPUT))) return false;
  const size_t n = std::min<size_t>(count, found->second.size());
  std::copy_n(found->second.begin(), n, inputs);
  return true;
}

bool CloseTouchInputHandle(LPARAM hTouchInput) { return touchInputs.erase(hTouchInput) > 0; }

bool RegisterTouchWindow(HWND hWnd, uint32_t) { return hWnd && hWnd == liveWindow; }

bool ScreenToClient(HWND hWnd, POINT& point) {
  if (!hWnd || hWnd != liveWindow) return false;
  int x = 0, y = 0;
  backend->getClientOrigin(x, y);
  point.x -= x;
  point.y -= y;
  return true;
}

bool ClientToScreen(HWND hWnd, POINT& point) {
  if (!hWnd || hWnd != liveWindow) return false;
  int x = 0, y = 0;
  backend->getClientOrigin(x, y);
  point.x += x;
  point.y += y;
  return true;
}

bool SetCursorPos(int x, int y) {
  POINT point{x, y};
  if (!ScreenToClient(liveWindow, point)) return false;
  backend->warpPointer(point.x, point.y);
  return true;
}

bool GetCursorPos(POINT& point) { return liveWindow && backend->getCursorPosition(point.x, point.y); }

int ShowCursor(bool bShow) {
  cursorCount += bShow ? 1 : -1;
  if (liveWindow) backend->showCursor(cursorCount >= 0);
  return cursorCount;
}
