#include "platform/x11_wait.h"

#include <SDL_syswm.h>
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

std::unique_ptr<X11Wait> X11Wait::open(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) == SDL_FALSE || info.subsystem != SDL_SYSWM_X11) {
        return nullptr;
    }
    (void)prctl(PR_SET_TIMERSLACK, kTimerSlackNs, 0, 0, 0);
    return std::make_unique<ConnectionWait>(info.info.x11.display);
}

}  // namespace quellon
