#include "engine/AppShell.h"

#include <spawn.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>

#include "engine/CrashDump.h"
#include "engine/Logger.h"
#include "base/StringUtils.h"
#include "engine/Zib.h"
#include "platform/Timers.h"

extern char** environ;

AppHooks appHooks;
GameGlobal* gameGlobal = nullptr;
bool bRecreateEngine = false;
bool bTouchAvailable = false;
std::u16string programFileName;

namespace {

// GetMessageExtraInfo of a mouse message made from touch: (info & mask) == mask.
constexpr uintptr_t kTouchSignature = 0xFF515700;

char16_t foldCase(char16_t c) { return c >= u'A' && c <= u'Z' ? static_cast<char16_t>(c - u'A' + u'a') : c; }

bool equalsIgnoringCase(std::u16string_view a, std::u16string_view b) {
  return std::ranges::equal(a, b, [](char16_t x, char16_t y) { return foldCase(x) == foldCase(y); });
}

}  // namespace

void openWebLink(const std::u16string& link) {
  const std::string target = toUtf8(link);
  char program[] = "xdg-open";
  char* const argv[] = {program, const_cast<char*>(target.c_str()), nullptr};
  pid_t pid;
  posix_spawnp(&pid, program, nullptr, nullptr, argv, environ);
}

int runApplication(int argc, char** argv) {
  installCrashFilter();
  programFileName = getFileName(fromUtf8(argc > 0 ? argv[0] : ""));
  for (int i = 1; i < argc; ++i) commandLineArgs.push_back(fromUtf8(argv[i]));
  if (isAnotherInstanceRunning()) return 0;

  installCloseSignalHandlers();
  std::u16string error;
  HWND window = CreateWindow(u"Skerrion 2", windowProc, 50, 50, 100, 100, &error);
  if (!window) {
    std::fprintf(stderr, "Skerrion 2: cannot open the game window: %s\n", toUtf8(error).c_str());
    return 1;
  }
  // No WM_TOUCH here: touch points arrive as the mouse messages SDL makes of them.
  bTouchAvailable = false;
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

bool isAnotherInstanceRunning() {
  const std::vector<ProcessEntry> processes = listProcesses();
  // The running executable's own name, whatever argv[0] says.
  const auto self = std::ranges::find(processes, static_cast<int32_t>(getpid()), &ProcessEntry::pid);
  return isAnotherInstanceRunning(processes, self != processes.end() ? self->exeFileName : programFileName);
}

bool isAnotherInstanceRunning(const std::vector<ProcessEntry>& processes, std::u16string_view exeFileName) {
  return std::ranges::count_if(processes, [exeFileName](const ProcessEntry& process) {
           return equalsIgnoringCase(process.exeFileName, exeFileName);
         }) > 1;
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
    case WM_CHAR:
      onCharMessage(wParam);
      break;
    case WM_SYSCOMMAND:
      // Alt and F10 never open the window menu.
      if ((wParam & 0xFFF0) == SC_KEYMENU) return 1;
      break;
  }
  return DefWindowProc(hWnd, message, wParam, lParam);
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

void onCharMessage(WPARAM character) {
  if (zib && zib->pZibInput) appHooks.setTypedChar(static_cast<char16_t>(character & 0xFFFF));
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
