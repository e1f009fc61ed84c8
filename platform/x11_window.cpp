#include "platform/x11_window.h"

#include <X11/Xatom.h>
#include <X11/Xlib.h>
#include <poll.h>
#include <sys/prctl.h>

namespace quellon {

namespace {

// The kernel may end a sleep this much later than asked, to group wake-ups; the default is
// 50 microseconds. The rest asks for its wake-up to the microsecond.
constexpr unsigned long kTimerSlackNs = 1;

class ConnectionWait final : public X11Wait {
  public:
    explicit ConnectionWait(Display* display) : display_(display) {}

    void until(Clock::time_point wake) override {
        // Events already read off the connection wait in Xlib's queue, where poll cannot see
        // them.
        if (XEventsQueued(display_, QueuedAlready) > 0) {
            return;
        }
        const Clock::duration left = wake - Clock::now();
        if (left <= Clock::duration::zero()) {
            return;
        }
        const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
        const timespec timeout{static_cast<time_t>(ns / 1'000'000'000),
                               static_cast<long>(ns % 1'000'000'000)};
        pollfd connection{ConnectionNumber(display_), POLLIN, 0};
        // A signal ends the sleep early; the wait then simply rests again.
        (void)ppoll(&connection, 1, &timeout, nullptr);
    }

  private:
    Display* display_;
};

}  // namespace

bool onX11(SDL_Window* window, SDL_SysWMinfo& info) {
    SDL_VERSION(&info.version);
    return SDL_GetWindowWMInfo(window, &info) == SDL_TRUE && info.subsystem == SDL_SYSWM_X11;
}

std::unique_ptr<X11Wait> X11Wait::open(SDL_Window* window) {
    SDL_SysWMinfo info;
    if (!onX11(window, info)) {
        return nullptr;
    }
    (void)prctl(PR_SET_TIMERSLACK, kTimerSlackNs, 0, 0, 0);
    return std::make_unique<ConnectionWait>(info.info.x11.display);
}

bool lacksFullScreenManager(SDL_Window* window) {
    SDL_SysWMinfo info;
    if (!onX11(window, info)) {
        return false;
    }
    // A window manager that follows the desktop's hints names its own window on the root.
    Display* display = info.info.x11.display;
    const Atom check = XInternAtom(display, "_NET_SUPPORTING_WM_CHECK", True);
    if (check == None) {
        return true;
    }
    Atom type = None;
    int format = 0;
    unsigned long count = 0;
    unsigned long remaining = 0;
    unsigned char* data = nullptr;
    const bool named =
        XGetWindowProperty(display, DefaultRootWindow(display), check, 0, 1, False, XA_WINDOW,
                           &type, &format, &count, &remaining, &data) == Success &&
        type == XA_WINDOW && count == 1;
    if (data != nullptr) {
        XFree(data);
    }
    return !named;
}

}  // namespace quellon
