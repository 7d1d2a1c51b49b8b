#pragma once
// A Win32-like window and message layer: the one main window with its window
// procedure, and a message queue fed by posted messages and by the events of
// the platform's window (SDL in the program, a scripted fake in tests).
#include <cstdint>
#include <memory>
#include <string>
#include <string_view>
#include <vector>

struct NativeWindow;
using HWND = NativeWindow*;
using UINT = uint32_t;
using WPARAM = uintptr_t;
using LPARAM = intptr_t;
using LRESULT = intptr_t;
using WNDPROC = LRESULT (*)(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);

struct MSG {
  HWND hwnd = nullptr;
  UINT message = 0;
  WPARAM wParam = 0;
  LPARAM lParam = 0;
  // What GetMessageExtraInfo gives while the message is handled.
  uintptr_t extraInfo = 0;
};

struct RECT {
  int32_t left = 0, top = 0, right = 0, bottom = 0;
};

struct POINT {
  int32_t x = 0, y = 0;
};

// One touch point of a WM_TOUCH message.
struct TOUCHINPUT {
  int32_t x = 0, y = 0;  // hundredths of a screen pixel
  uintptr_t hSource = 0;
  uint32_t dwID = 0;     // the point's id while it touches
  uint32_t dwFlags = 0;  // TOUCHEVENTF_*
  uint32_t dwMask = 0;
  uint32_t dwTime = 0;
  uintptr_t dwExtraInfo = 0;
  uint32_t cxContact = 0, cyContact = 0;
};

constexpr UINT WM_DESTROY = 0x0002;
constexpr UINT WM_ACTIVATE = 0x0006;
constexpr UINT WM_CLOSE = 0x0010;
constexpr UINT WM_ENDSESSION = 0x0016;
constexpr UINT WM_QUIT = 0x0012;
constexpr UINT WM_CHAR = 0x0102;
constexpr UINT WM_SYSCOMMAND = 0x0112;
constexpr UINT WM_MOUSEMOVE = 0x0200;
constexpr UINT WM_LBUTTONDOWN = 0x0201;
constexpr UINT WM_LBUTTONUP = 0x0202;
constexpr UINT WM_RBUTTONDOWN = 0x0204;
constexpr UINT WM_RBUTTONUP = 0x0205;
constexpr UINT WM_MBUTTONDOWN = 0x0207;
constexpr UINT WM_MBUTTONUP = 0x0208;
constexpr UINT WM_MOUSEWHEEL = 0x020A;
constexpr UINT WM_TOUCH = 0x0240;

constexpr uint32_t TOUCHEVENTF_MOVE = 0x0001;
constexpr uint32_t TOUCHEVENTF_DOWN = 0x0002;
constexpr uint32_t TOUCHEVENTF_UP = 0x0004;
constexpr uint32_t TWF_WANTPALM = 0x0002;

constexpr WPARAM WA_INACTIVE = 0;
constexpr WPARAM WA_ACTIVE = 1;
constexpr WPARAM SC_KEYMENU = 0xF100;
constexpr int WHEEL_DELTA = 120;
constexpr UINT PM_NOREMOVE = 0;
constexpr UINT PM_REMOVE = 1;
constexpr int SW_HIDE = 0;
constexpr int SW_SHOWNORMAL = 1;
constexpr int SW_SHOWMINIMIZED = 2;
// Extra information of a mouse message made from a touch point.
constexpr uintptr_t TOUCH_MOUSE_EXTRA_INFO = 0xFF515780;

constexpr uint16_t LOWORD(uintptr_t value) { return static_cast<uint16_t>(value & 0xFFFF); }
constexpr uint16_t HIWORD(uintptr_t value) { return static_cast<uint16_t>((value >> 16) & 0xFFFF); }
constexpr WPARAM MAKEWPARAM(int low, int high) {
  return static_cast<WPARAM>(static_cast<uint16_t>(low) | (static_cast<uint32_t>(static_cast<uint16_t>(high)) << 16));
}
constexpr LPARAM MAKELPARAM(int low, int high) { return static_cast<LPARAM>(MAKEWPARAM(low, high)); }
constexpr int GET_X_LPARAM(LPARAM lParam) { return static_cast<int16_t>(LOWORD(static_cast<uintptr_t>(lParam))); }
constexpr int GET_Y_LPARAM(LPARAM lParam) { return static_cast<int16_t>(HIWORD(static_cast<uintptr_t>(lParam))); }
constexpr int GET_WHEEL_DELTA_WPARAM(WPARAM wParam) { return static_cast<int16_t>(HIWORD(wParam)); }

// A window icon: ARGB pixels, rows top first; empty for none.
struct WindowIcon {
  int width = 0, height = 0;
  std::vector<uint32_t> argb;
};

// The platform side of the one window. Its events come back as messages; the
// message layer fills in their window.
class WindowBackend {
 public:
  virtual ~WindowBackend() = default;
  // Opens the window hidden, (x, y) and the client size in pixels. False with
  // the reason in `error` when it cannot (no display, say).
  virtual bool create(std::u16string_view title, int x, int y, int width, int height, std::u16string& error) = 0;
  virtual void destroy() = 0;
  virtual void show(int showCommand) = 0;
  virtual void setTitle(std::u16string_view title) = 0;
  virtual void setPlacement(int x, int y, int width, int height) = 0;
  virtual void getClientSize(int& width, int& height) = 0;
  // What the graphics layer draws into (the SDL_Window).
  virtual void* nativeHandle() = 0;
  // The next window event as a message; false when none is waiting.
  virtual bool pollEvent(MSG& message) = 0;
  // Blocks until an event may be waiting, at most `timeoutMs`.
  virtual void waitEvent(int timeoutMs) = 0;
  // Where the client area's top-left corner lies on the screen.
  virtual void getClientOrigin(int& x, int& y) = 0;
  // Moves the pointer to a client-area position.
  virtual void warpPointer(int x, int y) = 0;
  // Where the pointer is on the screen now; false when the platform cannot tell.
  virtual bool getCursorPosition(int& /*x*/, int& /*y*/) { return false; }
  virtual void showCursor(bool bShow) = 0;
  // Shows `icon` for the window where the desktop shows window icons.
  virtual void setIcon(const WindowIcon&) {}
};

// Makes `backend` the one in use and starts from a clean slate: no window,
// nothing queued, no quit posted.
void setWindowBackend(std::unique_ptr<WindowBackend> backend);

// The icon of every window opened afterwards, as a window class's icon.
void SetClassIcon(WindowIcon icon);

// The window, hidden, with its client area at (x, y). Null when it cannot be
// opened; the reason goes to `error` when given.
HWND CreateWindow(std::u16string_view title, WNDPROC windowProc, int x, int y, int width, int height,
                  std::u16string* error = nullptr);
// Sends WM_DESTROY, then closes the window; its queued messages are dropped.
bool DestroyWindow(HWND hWnd);
void ShowWindow(HWND hWnd, int showCommand);
void SetWindowText(HWND hWnd, std::u16string_view text);
// Our windows are measured by their client area: width and height are its size.
void SetWindowPos(HWND hWnd, int x, int y, int width, int height);
bool GetClientRect(HWND hWnd, RECT& rect);
void* GetNativeWindowHandle(HWND hWnd);
// The window once shown, until it loses the focus, and again when it regains it.
HWND GetForegroundWindow();

bool PostMessage(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// WM_QUIT comes after every other waiting message.
void PostQuitMessage(int exitCode);
// Messages in the order they were posted or arrived; false when none is waiting.
bool PeekMessage(MSG& message, UINT removeMessage);
// Waits for the next message; 0 for WM_QUIT.
int GetMessage(MSG& message);
LRESULT DispatchMessage(const MSG& message);
// WM_CLOSE destroys the window; everything else is ignored.
LRESULT DefWindowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
uintptr_t GetMessageExtraInfo();

// Touch input: backends turn the touch points of one event into a WM_TOUCH
// whose lParam is the handle MakeTouchInputHandle gives for the records.
LPARAM MakeTouchInputHandle(const TOUCHINPUT* inputs, uint32_t count);
// Copies up to `count` records of a WM_TOUCH; false for an unknown handle or a wrong record size.
bool GetTouchInputInfo(LPARAM hTouchInput, UINT count, TOUCHINPUT* inputs, int size);
bool CloseTouchInputHandle(LPARAM hTouchInput);
// Every backend of ours reports touch points.
bool RegisterTouchWindow(HWND hWnd, uint32_t flags);
bool ScreenToClient(HWND hWnd, POINT& point);
bool ClientToScreen(HWND hWnd, POINT& point);
// Screen coordinates; the pointer is moved within our window.
bool SetCursorPos(int x, int y);
// Screen coordinates of the pointer, asked of the system rather than taken from the last message.
bool GetCursorPos(POINT& point);
// Shows or hides the pointer over the window; returns the display count as Windows does.
int ShowCursor(bool bShow);

// Asks the window to close as its close button does: the next look at the
// queue finds WM_CLOSE. Async-signal-safe.
void requestWindowClose();
// The desktop session has gone under the program (its display connection is
// lost): the window procedure gets WM_ENDSESSION (wParam 1) at once, to save
// what it must; the process ends when it returns.
void endSession();

// A request to end (SIGTERM, SIGINT, and SIGHUP when the launching terminal
// closes) becomes requestWindowClose, so that it ends in a clean shutdown; a
// write into a closed connection is an error for its caller, not an end.
void installCloseSignalHandlers();
