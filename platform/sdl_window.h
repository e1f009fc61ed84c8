// The SDL2 backend: the real window people see.
#pragma once

#include <memory>
#include <string>

#include "platform/window.h"

namespace quellon {

// Creates the hidden window "Quellon", resizable, with a client area of the given size (the
// program's is 307 by 285; benchmarks ask for others). On failure returns null and says why
// in `error`, in one line. A window nobody can see is a failure too: when no window system
// answers, SDL's fallback on its offscreen driver is refused, unless SDL_VIDEODRIVER names the
// driver to use.
std::unique_ptr<Window> openSdlWindow(std::string& error, int width = Window::kClientWidthPx,
                                      int height = Window::kClientHeightPx);

}  // namespace quellon
