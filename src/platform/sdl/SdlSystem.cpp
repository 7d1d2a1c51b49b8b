#include <SDL.h>
#include <signal.h>
#include <unistd.h>

#include <atomic>
#include <chrono>
#include <iterator>
#include <cstdio>
#include <cstdlib>
#include <memory>
#include <thread>

#include "base/StringUtils.h"
#include "platform/Process.h"
#include "platform/System.h"

namespace {

bool canShowDialog() {
  if (std::getenv("ZIB_NO_MESSAGE_BOX") || std::getenv("CI")) return false;
  return std::getenv("DISPLAY") || std::getenv("WAYLAND_DISPLAY");
}

// Set by SIGTERM, SIGINT or SIGHUP while a box waits.
volatile sig_atomic_t bTerminateRequested = 0;

void onTerminateWhileBoxWaits(int) { bTerminateRequested = 1; }

// Shows the box on a thread of its own, so that a terminate request can end
// the wait: nobody may be there to close the box, and a process that never
// ends keeps its single-instance lock. False when the box could not be shown.
bool waitForBox(const std::string& title, const std::string& text, SDL_Window* owner) {
  constexpr int kSignals[] = {SIGTERM, SIGINT, SIGHUP};
  struct sigaction action = {}, old[std::size(kSignals)] = {};
  action.sa_handler = onTerminateWhileBoxWaits;
  sigemptyset(&action.sa_mask);
  bTerminateRequested = 0;
  for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &action, &old[i]);

  // Shared with the thread, which may outlive this call.
  struct Box {
    std::string title, text;
    std::atomic<int> result{1};  // 1: open; 0: closed; -1: failed
  };
  auto box = std::make_shared<Box>();
  box->title = title;
  box->text = text;
  std::thread([box, owner] {
    const int shown = SDL_ShowSimpleMessageBox(SDL_MESSAGEBOX_ERROR, box->title.c_str(), box->text.c_str(), owner);
    box->result = shown == 0 ? 0 : -1;
  }).detach();
  while (box->result == 1 && !bTerminateRequested) std::this_thread::sleep_for(std::chrono::milliseconds(20));

  for (size_t i = 0; i < std::size(kSignals); ++i) sigaction(kSignals[i], &old[i], nullptr);
  if (bTerminateRequested) {
    // The box may run in a child process of its own (SDL shows it from a
    // fork): it must not outlive us, still showing the box and counting as a
    // running copy of the program.
    for (const ProcessEntry& process : listProcesses())
      if (process.parentPid == getpid()) kill(process.pid, SIGKILL);
  }
  // The process ends with the rest of the report.
  return box->result != -1;
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
    if (waitForBox(title8, text8, owner)) return;
  }
  // A report's text begins with its title ("Error: ..."): written once.
  if (text8.starts_with(title8 + ":"))
    std::fprintf(stderr, "%s\n", text8.c_str());
  else
    std::fprintf(stderr, "%s: %s\n", title8.c_str(), text8.c_str());
  std::fflush(stderr);
}
