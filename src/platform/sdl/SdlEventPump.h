#pragma once
// The one SDL event pump of the program. The window backend drains it (and
// turns the events into window messages); on the way every event updates the
// input state that the DirectInput devices read: the keyboard's scan-code
// bytes and whether the window has the focus. Controllers are read from
// SDL's joystick state, which the same pumping keeps current.
#include <SDL.h>

#include <cstdint>

namespace sdlpump {

// The next event, after it has updated the input state; false when none.
bool pollEvent(SDL_Event& event);
// The DirectInput scan code of an SDL key, 0 for a key without one.
uint8_t scanCodeOf(SDL_Scancode code);
// Reads the keyboard into its 256 scan-code bytes: 0x80 for every key down
// as the pumped events left it, or gone down since the last read.
void readKeyboard(uint8_t* state);
// The window has the focus: shown and not since deactivated.
bool hasFocus();
// How many joysticks SDL has reported added so far: a controller that went
// away looks for its return only when this has moved.
uint32_t joysticksAdded();
// Called when the window opens or closes: keys up, focus as given.
void reset(bool bFocus);

}  // namespace sdlpump
