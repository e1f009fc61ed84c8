// Presents the window's pixels on an X11 server without waiting for the server to take them:
// the pixels go into one of two shared-memory images, the server is asked to copy that image
// into the window, and the program carries on drawing while it does. An image is written again
// only once the server has said it is done with it. This is the SDL backend's way to the screen
// on X11; where the server cannot share memory with us, the backend uses SDL's own.
#pragma once

#include <memory>

#include "platform/sdl_pixels.h"

namespace quellon {

class X11Presenter {
  public:
    // Presents into the SDL window's X11 window, through a connection of its own to the same
    // display; null when the window is not on X11, or the server cannot share memory with us.
    static std::unique_ptr<X11Presenter> open(SDL_Window* window);
    virtual ~X11Presenter() = default;

    // The pixels of the next frame, `width` by `height`, in the window's own format. Waits only
    // when the server is still copying both images. Empty pixels when they cannot be had.
    virtual ScreenPixels next(int width, int height) = 0;
    // Asks the server to show the pixels handed out by the last next(); returns at once.
    virtual void present() = 0;
    // Shows the last presented frame again (the window was uncovered).
    virtual void repaint() = 0;
};

}  // namespace quellon
