#include <SDL.h>

#include <cstdio>
#include <cstdlib>

#include "base/StringUtils.h"
#include "platform/System.h"

namespace {

bool canShowDialog() {
  if (std::getenv("ZIB_NO_MESSAGE_BOX") || std::getenv("CI")) return false;
  return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}

}  // namespace

void showMessageBox(const std::u16string& title, const std::u16string& text) {
  const std::string title8 = toUtf8(title), text8 = toUtf8(text);
  if (canShowDialog()) {
    SDL_Window* owner = nullptr;
    if (SDL_WasInit(SDL_INIT_VIDEO)) {
      // The game may have hidden the cursor; the box needs it.
      SDL_ShowCursor(SDL_ENABLE);
      owner = SDL_GetKeyboardFocus();
    }
    if (SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, title8.c_str(), text8.c_str(), owner) == 0) return;
  }
  std::fprintf(stderr, "%s: %s\n", title8.c_str(), text8.c_str());
  std::fflush(stderr);
}
