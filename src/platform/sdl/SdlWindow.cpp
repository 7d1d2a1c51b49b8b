#include <SDL.h>

#include <deque>
#include <map>
#include <optional>
#include <string_view>
#include <utility>

#include "base/StringUtils.h"
#include "platform/sdl/SdlEventPump.h"
#include "platform/sdl/SdlWindow.h"
#include "platform/sdl/SdlX11Watch.h"

namespace {

class SdlWindow final : public WindowBackend {
 public:
  ~SdlWindow() override { destroy(); }

  bool create(std::u16string_view title, int x, int y, int width, int height, std::u16string& error) override {
    if (tryCreate(title, x, y, width, height, error)) return true;
    unwatchX11Window();
    return false;
  }

  bool tryCreate(std::u16string_view title, int x, int y, int width, int height, std::u16string& error) {
    // SIGINT and SIGTERM belong to the message layer, which closes the window on them.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    // As on Windows, the click that activates the window is a click too.
    SDL_SetHint(SDL_HINT_MOUSE_FOCUS_CLICKTHROUGH, "1");
    // With no display SDL falls back to drawing nowhere; only on request is that wanted. An X
    // server that resets as its last client leaves refuses connections for a moment: a named
    // display is tried again for up to a second before giving up.
    for (int attempt = 0;; ++attempt) {
      watchX11Connection();  // before SDL's first request to the display
      if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
        error = fromUtf8(SDL_GetError());
        return false;
      }
      const std::string_view driver = SDL_GetCurrentVideoDriver();
      if ((driver != "offscreen" && driver != "dummy") || SDL_getenv("SDL_VIDEODRIVER")) break;
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      if (!SDL_getenv("DISPLAY") || attempt == 20) {
        error = u"no display (SDL offers only its \"" + fromUtf8(driver) + u"\" video driver)";
        return false;
      }
      SDL_Delay(50);
    }
    // OpenGL from the start: the graphics device draws into this window.
    window = SDL_CreateWindow(toUtf8(title).c_str(), x, y, width, height, SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
    if (!window) {
      error = fromUtf8(SDL_GetError());
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      return false;
    }
    watchX11Window(window);
    SDL_StartTextInput();
    sdlpump::reset(false);
    return true;
  }

  void destroy() override {
    if (!window) return;
    SDL_StopTextInput();
    SDL_DestroyWindow(window);
    unwatchX11Window();
    window = nullptr;
    pending.clear();
    fingers.clear();
    lastMotion.reset();
    sdlpump::reset(false);
    SDL_QuitSubSystem(SDL_INIT_VIDEO);
  }

  void show(int showCommand) override {
    if (showCommand == SW_HIDE) {
      SDL_HideWindow(window);
      return;
    }
    SDL_ShowWindow(window);
    if (showCommand == SW_SHOWMINIMIZED) {
      SDL_MinimizeWindow(window);
    } else {
      SDL_RestoreWindow(window);
      SDL_RaiseWindow(window);
    }
  }

  void setIcon(const WindowIcon& icon) override {
    if (icon.argb.size() != size_t(icon.width) * size_t(icon.height)) return;
    // The surface only borrows the pixels: SDL copies them into the window's icon.
    SDL_Surface* surface = SDL_CreateRGBSurfaceWithFormatFrom(const_cast<uint32_t*>(icon.argb.data()), icon.width,
                                                              icon.height, 32, icon.width * 4, SDL_PIXELFORMAT_ARGB8888);
    if (!surface) return;
    SDL_SetWindowIcon(window, surface);
    SDL_FreeSurface(surface);
  }

  void setTitle(std::u16string_view title) override { SDL_SetWindowTitle(window, toUtf8(title).c_str()); }

  void setPlacement(int x, int y, int width, int height) override {
    SDL_SetWindowSize(window, width, height);
    SDL_SetWindowPosition(window, x, y);
  }

  void getClientSize(int& width, int& height) override { SDL_GetWindowSize(window, &width, &height); }

  void* nativeHandle() override { return window; }

  bool pollEvent(MSG& message) override {
    SDL_Event event;
    while (pending.empty() && sdlpump::pollEvent(event)) translate(event);
    if (pending.empty()) return false;
    message = pending.front();
    pending.pop_front();
    return true;
  }

  void waitEvent(int timeoutMs) override { SDL_WaitEventTimeout(nullptr, timeoutMs); }

  void getClientOrigin(int& x, int& y) override { SDL_GetWindowPosition(window, &x, &y); }

  void warpPointer(int x, int y) override { SDL_WarpMouseInWindow(window, x, y); }

  bool getCursorPosition(int& x, int& y) override {
    SDL_GetGlobalMouseState(&x, &y);
    return true;
  }

  void showCursor(bool bShow) override { SDL_ShowCursor(bShow ? SDL_ENABLE : SDL_DISABLE); }

 private:
  void add(UINT message, WPARAM wParam = 0, LPARAM lParam = 0, uintptr_t extraInfo = 0) {
    pending.push_back({nullptr, message, wParam, lParam, extraInfo});
  }

  // One WM_CHAR per UTF-16 unit, surrogate pairs included.
  void addCharacters(const char* text) {
    char* units = SDL_iconv_string("UTF-16LE", "UTF-8", text, SDL_strlen(text) + 1);
    if (!units) return;
    for (const auto* p = reinterpret_cast<const unsigned char*>(units); p[0] || p[1]; p += 2) add(WM_CHAR, p[0] | p[1] << 8);
    SDL_free(units);
  }

  // The characters Windows types for keys that SDL gives no text for.
  void addControlCharacter(const SDL_KeyboardEvent& key) {
    switch (key.keysym.sym) {
      case SDLK_BACKSPACE: add(WM_CHAR, 8); return;
      case SDLK_TAB: add(WM_CHAR, 9); return;
      case SDLK_RETURN:
      case SDLK_KP_ENTER: add(WM_CHAR, 13); return;
      case SDLK_ESCAPE: add(WM_CHAR, 27); return;
    }
    const bool bCtrl = (key.keysym.mod & KMOD_CTRL) != 0, bAlt = (key.keysym.mod & KMOD_ALT) != 0;
    if (bCtrl && !bAlt && key.keysym.sym >= SDLK_a && key.keysym.sym <= SDLK_z)
      add(WM_CHAR, static_cast<WPARAM>(key.keysym.sym - SDLK_a + 1));
  }

  // A finger as a touch record: screen position in hundredths of a pixel and
  // a small id of its own, never 0 (the mouse) or -1 (ended). The id stays
  // the finger's while it is down, so a down that comes again without an up
  // between (a lost up) carries the same id and ends the old contact.
  void addTouch(const SDL_TouchFingerEvent& finger, uint32_t flags) {
    int originX = 0, originY = 0, width = 0, height = 0;
    SDL_GetWindowPosition(window, &originX, &originY);
    SDL_GetWindowSize(window, &width, &height);
    TOUCHINPUT input;
    input.x = static_cast<int32_t>((originX + finger.x * static_cast<float>(width)) * 100.0f);
    input.y = static_cast<int32_t>((originY + finger.y * static_cast<float>(height)) * 100.0f);
    input.hSource = static_cast<uintptr_t>(finger.touchId);
    input.dwFlags = flags;
    const auto key = std::make_pair(finger.touchId, finger.fingerId);
    auto found = fingers.find(key);
    if (found == fingers.end()) {
      nextFingerId = nextFingerId >= 0x7FFFFFFF ? 1 : nextFingerId + 1;
      found = fingers.emplace(key, nextFingerId).first;
    }
    input.dwID = found->second;
    if (flags == TOUCHEVENTF_UP) fingers.erase(found);
    add(WM_TOUCH, 1, MakeTouchInputHandle(&input, 1));
  }

  static uintptr_t mouseExtraInfo(Uint32 mouseId) { return mouseId == SDL_TOUCH_MOUSEID ? TOUCH_MOUSE_EXTRA_INFO : 0; }

  void translate(const SDL_Event& event) {
    switch (event.type) {
      case SDL_QUIT:
        add(WM_CLOSE);
        break;
      case SDL_WINDOWEVENT:
        if (event.window.event == SDL_WINDOWEVENT_CLOSE) add(WM_CLOSE);
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_GAINED) add(WM_ACTIVATE, WA_ACTIVE);
        if (event.window.event == SDL_WINDOWEVENT_FOCUS_LOST) add(WM_ACTIVATE, WA_INACTIVE);
        break;
      case SDL_TEXTINPUT:
        addCharacters(event.text.text);
        break;
      case SDL_KEYDOWN:
        addControlCharacter(event.key);
        break;
      case SDL_FINGERDOWN:
        addTouch(event.tfinger, TOUCHEVENTF_DOWN);
        break;
      case SDL_FINGERMOTION:
        addTouch(event.tfinger, TOUCHEVENTF_MOVE);
        break;
      case SDL_FINGERUP:
        addTouch(event.tfinger, TOUCHEVENTF_UP);
        break;
      case SDL_KEYUP:
        // Alt or F10 released: what opens the window menu on a desktop.
        if (event.key.keysym.sym == SDLK_F10 || event.key.keysym.sym == SDLK_LALT || event.key.keysym.sym == SDLK_RALT)
          add(WM_SYSCOMMAND, SC_KEYMENU);
        break;
      case SDL_MOUSEMOTION:
        // When the window goes full screen or back under a still pointer, SDL
        // keeps the pointer where it was in the window and reports it there
        // again. No hand moved it: the game stays with the keyboard.
        if (lastMotion == std::make_pair(event.motion.x, event.motion.y)) break;
        lastMotion = {event.motion.x, event.motion.y};
        add(WM_MOUSEMOVE, 0, MAKELPARAM(event.motion.x, event.motion.y), mouseExtraInfo(event.motion.which));
        break;
      case SDL_MOUSEBUTTONDOWN:
      case SDL_MOUSEBUTTONUP: {
        const bool bDown = event.type == SDL_MOUSEBUTTONDOWN;
        UINT message;
        switch (event.button.button) {
          case SDL_BUTTON_LEFT: message = bDown ? WM_LBUTTONDOWN : WM_LBUTTONUP; break;
          case SDL_BUTTON_RIGHT: message = bDown ? WM_RBUTTONDOWN : WM_RBUTTONUP; break;
          case SDL_BUTTON_MIDDLE: message = bDown ? WM_MBUTTONDOWN : WM_MBUTTONUP; break;
          default: return;
        }
        add(message, 0, MAKELPARAM(event.button.x, event.button.y), mouseExtraInfo(event.button.which));
        break;
      }
      case SDL_MOUSEWHEEL: {
        const int steps = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y : event.wheel.y;
        if (steps != 0) add(WM_MOUSEWHEEL, MAKEWPARAM(0, steps * WHEEL_DELTA));
        break;
      }
    }
  }

  SDL_Window* window = nullptr;
  // Messages of one event that has more than one (the units of a typed text).
  std::deque<MSG> pending;
  // Fingers down, by device and SDL's finger id.
  std::map<std::pair<SDL_TouchID, SDL_FingerID>, uint32_t> fingers;
  uint32_t nextFingerId = 0;
  // Where the last mouse move left the pointer, in the window.
  std::optional<std::pair<int, int>> lastMotion;
};

}  // namespace

std::unique_ptr<WindowBackend> makeSdlWindowBackend() { return std::make_unique<SdlWindow>(); }
