// The SDL2 backend: the real window people see.
#pragma once

#include <memory>
#include <string>

#include "platform/window.h"

namespace quellon {

// Creates the window, hidden and resizable, its drawing surface of the size asked for with
// the panel, if any, to its right; resizing gives the room to the drawing surface. On failure
// returns null and says why in `error`, in one line. A window nobody can see is a failure too:
// when no window system answers, SDL's fallback on its offscreen driver is refused, unless
// SDL_VIDEODRIVER names the driver to use.
std::unique_ptr<Window> openSdlWindow(std::string& error, const WindowRequest& request = {});

}  // namespace quellon
