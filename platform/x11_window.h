// What the SDL backend asks of X11 itself, beside SDL: sleeping on the window's connection until
// the server sends something or a moment of the steady clock comes, to well under a millisecond
// (the backend's rest), and whether a window manager puts windows on the whole screen.
#pragma once

#include <SDL.h>
#include <SDL_syswm.h>

#include <chrono>
#include <memory>

namespace quellon {

// Whether the SDL window is on an X11 display; if so, `info` holds its connection and window.
bool onX11(SDL_Window* window, SDL_SysWMinfo& info);

class X11Wait {
  public:
    using Clock = std::chrono::steady_clock;

    // Waits on the SDL window's connection; null when the window is not on X11. Also narrows
    // this thread's timer slack, so that a sleep ends when it was asked to.
    static std::unique_ptr<X11Wait> open(SDL_Window* window);
    virtual ~X11Wait() = default;

    // Returns once the connection has an event for the window, read or not yet read, or at
    // `wake`, whichever comes first; at once if either is already so.
    virtual void until(Clock::time_point wake) = 0;
};

// Whether the SDL window is on X11 with no window manager that can make it full screen (none
// that says it follows the desktop's hints): SDL's full screen then leaves the window as it
// was.
bool lacksFullScreenManager(SDL_Window* window);

}  // namespace quellon
