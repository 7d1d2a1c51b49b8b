#pragma once
// The program's shell: the main window and its message loop, whose idle step
// builds, runs and tears down the engine root and the game object.
#include <cstdint>
#include <functional>
#include <string>
#include <string_view>
#include <vector>

#include "engine/SystemInfo.h"
#include "platform/Process.h"
#include "platform/System.h"
#include "platform/Window.h"

class GameGlobal;

// What the shell calls of the engine root and the game object, set by the code
// that builds them before runApplication (tests set fakes), and the shell's
// ties to the system.
struct AppHooks {
  // new Zib(hAppInstance, hWindowHandle); its constructor sets `zib`.
  std::function<void(void* hAppInstance, void* hWindowHandle)> createEngine;
  // new GameGlobal().
  std::function<GameGlobal*()> createGame;
  // Global::initPreLoader on `gameGlobal`.
  std::function<void()> initPreLoader;
  // Deletes `gameGlobal`; its destructor saves the profiles and the configuration.
  std::function<void()> deleteGame;
  // Zib::frame with the game object's ContextManager as the root Context;
  // returns the ContextManager's bQuit.
  std::function<bool()> runFrame;
  // Global::saveUserData on `gameGlobal`: the configuration, high scores and profiles.
  std::function<void()> saveUserData;
  // The game object's pending web link.
  std::function<std::u16string()> pendingWebLink;

  std::function<void(const std::u16string& link)> openLink = openInBrowser;
};
extern AppHooks appHooks;

// The game object; created and deleted together with `zib`.
extern GameGlobal* gameGlobal;
// Set by the options screen: the next idle step deletes the engine, a later one builds it again.
extern bool bRecreateEngine;
extern bool bTouchAvailable;
// The file-name part of argv[0].
extern std::u16string programFileName;

// The program: crash filter, arguments, single-instance check, window and
// message loop. Returns the exit status.
int runApplication(int argc, char** argv);
// Runs the message loop of `window` until WM_QUIT; returns its exit code.
int runMessageLoop(void* hInstance, HWND window);

bool isAnotherInstanceRunning();
// The process id of another copy of this program run by this user, the one
// holding the run's lock; 0 when none, and this copy holds the lock now.
int32_t findAnotherInstance();
// Of `processes` that run as `userId` an executable named `exeFileName`, in
// any case, the one started first (then the lowest id) when that is not
// `selfId`; 0 when `selfId` is that one or there is none.
int32_t findAnotherInstance(const std::vector<ProcessEntry>& processes, std::u16string_view exeFileName,
                            uint32_t userId, int32_t selfId);

LRESULT windowProc(HWND hWnd, UINT message, WPARAM wParam, LPARAM lParam);
// False only for a mouse message made from touch while touch input is available.
bool isRealMouseMessage();

// One idle step of the message loop; false asks the loop to close the program.
bool runMainLoopStep(void* hInstance, HWND hWnd);
void createZIB(void* hInstance, HWND hWnd);
void deleteZIB();

void onWindowClose();
// The session ends under the program (WM_ENDSESSION): the user's files are saved now.
void onEndSession();
void onCharMessage(WPARAM character);
// Mouse and touch messages, forwarded to the input manager and its contacts.
// Positions are client pixels; buttons 0 left, 1 right, 2 middle.
void onMouseDownMessage(int x, int y, int button);
void onMouseUpMessage(int x, int y, int button);
void onMouseMoveMessage(int x, int y);
void onMouseWheelMessage(int delta);
void onTouchDownInput(const TOUCHINPUT& input);
void onTouchMoveInput(const TOUCHINPUT& input);
void onTouchUpInput(const TOUCHINPUT& input);
namespace WMhooks {
void windowFocusGained();
void windowFocusLost();
}  // namespace WMhooks
