// The one typeface of the window: a small monospace bitmap font, built into the program.
#pragma once

#include <string_view>

#include "gfx/surface.h"

namespace quellon::font {

// Every character takes a cell kGlyphWidthPx wide and kLineHeightPx tall. The ink of a glyph
// keeps to the left kGlyphWidthPx - 1 columns, so neighbouring characters never touch.
inline constexpr int kGlyphWidthPx = 7;   // advance per character
inline constexpr int kLineHeightPx = 11;  // distance between text lines

// Draws `text` with the top-left corner of its first cell at (x, y) in `colour`, one byte per
// character: printable ASCII (32..126) as itself, any other byte as a hollow box. Only the
// pixels of the glyphs are written (the background shows through), clipped to the surface;
// any x and y are safe, however far outside. Returns the x just after the last character,
// x + kGlyphWidthPx * text.size(), held to the range of int. Allocates nothing.
int drawText(Surface& surface, int x, int y, std::string_view text, Colour colour);

}  // namespace quellon::font
