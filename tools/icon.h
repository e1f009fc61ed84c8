// The program's icon at any size the icon makers are asked for, scaled from the carried texture
// the window's icon is.
#pragma once

#include <string>
#include <string_view>

#include "gfx/surface.h"

namespace quellon {

// The largest icon the makers write, in pixels a side.
inline constexpr int kMaxIconSizePx = 1024;

// SIZE as the makers take it: a whole number in 1..kMaxIconSizePx, nothing else in the text.
// False, with a message naming the text, for anything else.
bool parseIconSize(std::string_view text, int& size, std::string& error);

// The icon, `size` by `size` pixels, scaled by area averaging in linear light. An empty surface,
// with a message, if the carried texture cannot be read.
Surface programIcon(int size, std::string& error);

}  // namespace quellon
