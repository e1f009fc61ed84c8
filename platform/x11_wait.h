// Sleeping on the window's X11 connection until the server sends something or a moment of the
// steady clock comes, to well under a millisecond: the SDL backend's rest on X11.
#pragma once

#include <SDL.h>

#include <chrono>
#include <memory>

namespace quellon {

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

}  // namespace quellon
