// POSIX body of the close request by signal.
#include <signal.h>

#include "platform/Window.h"

namespace {

void onCloseSignal(int) { requestWindowClose(); }

}  // namespace

void installCloseSignalHandlers() {
  struct sigaction action = {};
  action.sa_handler = onCloseSignal;
  sigemptyset(&action.sa_mask);
  action.sa_flags = SA_RESTART;
  for (int signalNumber : {SIGTERM, SIGINT, SIGHUP}) sigaction(signalNumber, &action, nullptr);
  // A write into a connection closed under us (the display's, a socket) fails
  // with an error its caller handles, instead of ending the process unsaved.
  signal(SIGPIPE, SIG_IGN);
}
