// Putting drawn pixels into the window's own pixels, in whichever format the window system
// gave them: 32-bit words in either channel order, packed 24-bit, 16-bit or anything else SDL
// can convert to.
#pragma once

#include <SDL.h>

#include <cstdint>
#include <span>

#include "gfx/surface.h"

namespace quellon {

// The window's pixels as a grid of rows in the window's own format. They are reached only
// through pixels(), which hands out bytes inside the grid and nothing else: a write outside
// the window's pixels cannot be expressed.
class ScreenPixels {
  public:
    ScreenPixels() = default;
    // A surface whose rows cannot hold its width in its own format is taken as empty.
    explicit ScreenPixels(SDL_Surface& screen);
    // `height` rows of `pitch` bytes from `pixels` on, `width` pixels of `format` each.
    ScreenPixels(void* pixels, int width, int height, int pitch, Uint32 format);

    int width() const { return width_; }
    int height() const { return height_; }
    int bytesPerPixel() const { return bytesPerPixel_; }
    Uint32 format() const { return format_; }

    // The bytes of row y from column x on, `count` pixels long or as many as the row has left;
    // empty outside the grid.
    std::span<std::uint8_t> pixels(int x, int y, int count);

  private:
    std::uint8_t* base_ = nullptr;
    int width_ = 0;
    int height_ = 0;
    int pitch_ = 0;
    int bytesPerPixel_ = 0;
    Uint32 format_ = SDL_PIXELFORMAT_UNKNOWN;
};

// Copies `surface` into the window's pixels with its top-left corner at column `left`,
// converting its words to the window's format; whatever does not fit is left out. This is the
// one conversion a frame meets on its way to a window whose words it is not drawn in.
void copyToScreen(const Surface& surface, ScreenPixels& screen, int left);

}  // namespace quellon
