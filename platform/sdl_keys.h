// SDL's keys as the program's events number them: Windows virtual-key codes, and the shift
// state that comes with them.
#pragma once

#include <SDL.h>

namespace quellon {

// The virtual-key code of an SDL key; 0 for a key without one, which is not passed on.
int virtualKeyFor(SDL_Keycode key);

// The kShiftMask, kCtrlMask and kAltMask bits of SDL's modifier state.
int shiftStateOf(Uint16 modifiers);

}  // namespace quellon
