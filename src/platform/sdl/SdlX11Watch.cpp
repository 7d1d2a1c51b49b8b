#include "platform/sdl/SdlX11Watch.h"

#include <SDL.h>
#include <SDL_syswm.h>
#include <poll.h>
#include <sys/socket.h>
#include <unistd.h>
#include <xcb/xcb.h>

#include <atomic>
#include <cerrno>
#include <cstdio>
#include <cstring>
#include <ctime>

#include "platform/CrashFilter.h"
#include "platform/Window.h"

// Last: Xlib's macros (None, Status, True...) would clash with the headers above.
#include <X11/Xlib.h>
#include <X11/Xproto.h>

namespace {

Display* watchedDisplay = nullptr;
Window watchedWindow = 0;
XErrorHandler previousErrorHandler = nullptr;
XIOErrorHandler previousIoErrorHandler = nullptr;
bool bWatching = false, bConnectionWatched = false;
// A connection of our own that sends nothing: its socket reads its end once
// the display server has gone, which a fault handler can ask. Every client is
// sent some events unasked (a keyboard map's change); xcb never reads them
// here, so the fault handler reads them away.
xcb_connection_t* probe = nullptr;
int probeSocket = -1;
char drained[4096];
// The thread that ends the process for a lost display, the fault hook or the
// lost-connection handler, whichever comes first; 0 while none has.
std::atomic<pid_t> endingThread{0};
static_assert(std::atomic<pid_t>::is_always_lock_free, "claimed from a signal handler");
constexpr char kLostMessage[] = "Skerrion 2: the connection to the display was lost.\n";
// GLX's request code and first error code: our window is the one GLX drawable.
int glxRequest = -1, glxFirstError = -1;
constexpr int kGlxBadDrawable = 2;

int onXError(Display* display, XErrorEvent* error) {
  // A window that is gone. Ours was destroyed from outside: the program
  // shuts down, drawing on into nothing until it has.
  if (error->error_code == BadWindow || error->error_code == BadDrawable) {
    if (error->resourceid == watchedWindow) requestWindowClose();
    return 0;
  }
  // Swapping the buffers of a window destroyed from outside.
  if (error->request_code == glxRequest && error->error_code == glxFirstError + kGlxBadDrawable) {
    requestWindowClose();
    return 0;
  }
  return previousErrorHandler ? previousErrorHandler(display, error) : 0;
}

// Whether this thread now ends the process: false when another one already
// does (or this one, entered again while it does).
bool claimEnding(pid_t& claimant) {
  claimant = 0;
  return endingThread.compare_exchange_strong(claimant, gettid());
}

// Xlib ends the process when this returns; it must not use the display.
int onXConnectionLost(Display*) {
  pid_t claimant;
  if (claimEnding(claimant)) {
    std::fputs(kLostMessage, stderr);
    endSession();
  } else if (claimant != gettid()) {
    for (;;) pause();  // the fault hook has said it and ends the process
  }
  std::fflush(nullptr);
  _exit(1);
}

// Async-signal-safe. A hang-up, or the end read once what waits is read away.
bool displayServerGone() {
  pollfd polled = {probeSocket, POLLIN | POLLRDHUP, 0};
  if (poll(&polled, 1, 0) < 0) return false;
  if (polled.revents & (POLLHUP | POLLRDHUP | POLLERR)) return true;
  for (;;) {
    const ssize_t got = recv(probeSocket, drained, sizeof(drained), MSG_DONTWAIT);
    if (got == 0) return true;
    if (got < 0 && errno != EINTR) return errno != EAGAIN && errno != EWOULDBLOCK;
  }
}

// The crash filter's hook: async-signal-safe.
void onFaultAfterLoss() {
  if (probeSocket < 0 || !displayServerGone()) return;
  pid_t claimant;
  if (claimEnding(claimant)) {
    [[maybe_unused]] const ssize_t written = write(STDERR_FILENO, kLostMessage, sizeof(kLostMessage) - 1);
  } else if (claimant != gettid()) {
    // The lost-connection handler saves the user's files, then ends the
    // process. Bounded: a save stuck on what this thread holds must not keep
    // the process, and its single-copy lock, for ever.
    timespec left = {10, 0};
    while (nanosleep(&left, &left) != 0 && errno == EINTR) {}
  }
  _exit(1);
}

}  // namespace

void watchX11Connection() {
  if (!bConnectionWatched) previousIoErrorHandler = XSetIOErrorHandler(onXConnectionLost);
  bConnectionWatched = true;
  if (probeSocket >= 0) return;
  // Again on a later try: an X server that resets refuses connections for a moment.
  if (probe) xcb_disconnect(probe);
  probe = xcb_connect(nullptr, nullptr);
  if (xcb_connection_has_error(probe)) return;
  probeSocket = xcb_get_file_descriptor(probe);
  setFaultHook(onFaultAfterLoss);
}

void watchX11Window(SDL_Window* window) {
  SDL_SysWMinfo info;
  SDL_VERSION(&info.version);
  if (bWatching || !SDL_GetWindowWMInfo(window, &info) || info.subsystem != SDL_SYSWM_X11) return;
  watchedDisplay = info.info.x11.display;
  watchedWindow = info.info.x11.window;
  int glxEvent = 0;
  if (!XQueryExtension(watchedDisplay, "GLX", &glxRequest, &glxEvent, &glxFirstError)) glxRequest = glxFirstError = -1;
  previousErrorHandler = XSetErrorHandler(onXError);
  bWatching = true;
}

void unwatchX11Window() {
  if (bWatching) {
    // The errors of what was sent until now still come to us (destroying a
    // window destroyed from outside).
    XSync(watchedDisplay, False);
    XSetErrorHandler(previousErrorHandler);
    bWatching = false;
  }
  if (!bConnectionWatched) return;
  setFaultHook(nullptr);
  probeSocket = -1;
  xcb_disconnect(probe);
  probe = nullptr;
  XSetIOErrorHandler(previousIoErrorHandler);
  bConnectionWatched = false;
}
