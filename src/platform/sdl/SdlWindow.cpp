#include <SDL.h>

#include <deque>
#include <string_view>

#include "base/StringUtils.h"
#include "platform/sdl/SdlWindow.h"

namespace {

class SdlWindow final : public WindowBackend {
 public:
  ~SdlWindow() override { destroy(); }

  bool create(std::u16string_view title, int x, int y, int width, int height, std::u16string& error) override {
    // SIGINT and SIGTERM belong to the message layer, which closes the window on them.
    SDL_SetHint(SDL_HINT_NO_SIGNAL_HANDLERS, "1");
    if (SDL_InitSubSystem(SDL_INIT_VIDEO) != 0) {
      error = fromUtf8(SDL_GetError());
      return false;
    }
    // With no display SDL falls back to drawing nowhere; only on request is that wanted.
    const std::string_view driver = SDL_GetCurrentVideoDriver();
    if ((driver == "offscreen" || driver == "dummy") && !SDL_getenv("SDL_VIDEODRIVER")) {
      error = u"no display (SDL offers only its \"" + fromUtf8(driver) + u"\" video driver)";
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      return false;
    }
    // OpenGL from the start: the graphics device draws into this window.
    window = SDL_CreateWindow(toUtf8(title).c_str(), x, y, width, height, SDL_WINDOW_HIDDEN | SDL_WINDOW_OPENGL);
    if (!window) {
      error = fromUtf8(SDL_GetError());
      SDL_QuitSubSystem(SDL_INIT_VIDEO);
      return false;
    }
    SDL_StartTextInput();
    return true;
  }

  void destroy() override {
    if (!window) return;
    SDL_StopTextInput();
    SDL_DestroyWindow(window);
    window = nullptr;
    pending.clear();
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

  void setTitle(std::u16string_view title) override { SDL_SetWindowTitle(window, toUtf8(title).c_str()); }

  void setPlacement(int x, int y, int width, int height) override {
    SDL_SetWindowSize(window, width, height);
    SDL_SetWindowPosition(window, x, y);
  }

  void getClientSize(int& width, int& height) override { SDL_GetWindowSize(window, &width, &height); }

  void* nativeHandle() override { return window; }

  bool pollEvent(MSG& message) override {
    SDL_Event event;
    while (pending.empty() && SDL_PollEvent(&event)) translate(event);
    if (pending.empty()) return false;
    message = pending.front();
    pending.pop_front();
    return true;
  }

  void waitEvent(int timeoutMs) override { SDL_WaitEventTimeout(nullptr, timeoutMs); }

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
      case SDL_KEYUP:
        // Alt or F10 released: what opens the window menu on a desktop.
        if (event.key.keysym.sym == SDLK_F10 || event.key.keysym.sym == SDLK_LALT || event.key.keysym.sym == SDLK_RALT)
          add(WM_SYSCOMMAND, SC_KEYMENU);
        break;
      case SDL_MOUSEMOTION:
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
};

}  // namespace

std::unique_ptr<WindowBackend> makeSdlWindowBackend() { return std::make_unique<SdlWindow>(); }
