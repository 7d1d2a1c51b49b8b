#pragma once
// What becomes of the window when the X server takes it away: Xlib's own
// handlers end the process at once, losing the user's files.
struct SDL_Window;

// Before SDL first connects to the display: a lost connection ends the
// session (endSession: the game saves) before the process ends. The GL driver
// may instead read the empty reply of the dead connection (while SDL makes
// the window) and fault: a fault once the display server has gone ends with
// the same message and status, saving nothing (no saving inside a fault).
void watchX11Connection();
// On the X11 video driver, also a window destroyed from outside (the display
// still answers, naming it gone) becomes a close request.
void watchX11Window(SDL_Window* window);
// Puts back the handlers that were there before.
void unwatchX11Window();
