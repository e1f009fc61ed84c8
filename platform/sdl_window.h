// The SDL2 backend: the real window people see.
#pragma once

#include <memory>
#include <string>

#include "platform/window.h"

namespace quellon {

// Creates the hidden window "Quellon" with its 307 by 285 client area, resizable. On failure
// returns null and says why in `error`.
std::unique_ptr<Window> openSdlWindow(std::string& error);

}  // namespace quellon
