#pragma once
// What becomes of the window when the X server takes it away: Xlib's own
// handlers end the process at once, losing the user's files.
struct SDL_Window;

// On the X11 video driver: a window destroyed from outside (the display
// still answers, naming it gone) becomes a close request; a lost connection
// ends the session (endSession: the game saves) before the process ends.
void watchX11Window(SDL_Window* window);
// Puts back the handlers that were there before.
void unwatchX11Window();
