// The SDL2 backend: the real window people see.
#pragma once

#include <memory>
#include <string>

#include "platform/window.h"

namespace quellon {

// Creates the hidden window "Quellon", resizable, with a client area of the given size (the
// program's is 307 by 285; benchmarks ask for others). On failure returns null and says why
// in `error`.
std::unique_ptr<Window> openSdlWindow(std::string& error, int width = Window::kClientWidthPx,
                                      int height = Window::kClientHeightPx);

}  // namespace quellon
