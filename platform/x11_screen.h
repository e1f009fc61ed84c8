// The SDL backend's way to an X11 server beside SDL, when its window is on one. The window's
// pixels go into one of two images that the server copies into the window while the program
// carries on drawing (through shared memory where the server can reach ours, by plain requests
// where it cannot); an image is written again only once the server has said it is done with
// it. And the frame loop's rest sleeps on the window's own connection until the server sends
// something or a moment of the clock comes, to well under a millisecond. It knows nothing of
// SDL; the backend chooses it once, when its window opens.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>

struct _XDisplay;  // NOLINT(bugprone-reserved-identifier): Xlib's own name for a connection

namespace quellon {

// An image's pixels as the server takes them: `height` rows of `bytesPerLine` bytes, each pixel
// `bitsPerPixel` bits with these channel masks. No pixels (a null `data`) when none can be had.
struct X11Pixels {
    void* data = nullptr;
    int width = 0;
    int height = 0;
    int bytesPerLine = 0;
    int bitsPerPixel = 0;
    std::uint32_t redMask = 0;
    std::uint32_t greenMask = 0;
    std::uint32_t blueMask = 0;
};

class X11Screen {
  public:
    using Clock = std::chrono::steady_clock;

    // For the X11 window `window`, whose events come on the connection `events`: presents
    // through a connection of its own to the same display, and narrows this thread's timer
    // slack so that a sleep ends when it was asked to. Null when that second connection or the
    // window's attributes cannot be had.
    static std::unique_ptr<X11Screen> open(_XDisplay* events, unsigned long window);
    ~X11Screen();
    X11Screen(const X11Screen&) = delete;
    X11Screen& operator=(const X11Screen&) = delete;

    // The pixels of the next frame, `width` by `height`, in the window's own format. Waits only
    // when the server is still copying both images.
    X11Pixels next(int width, int height);
    // Asks the server to show the pixels handed out by the last next(); returns at once.
    void present();
    // Shows the last presented frame again (the window was uncovered).
    void repaint();

    // Returns once the window's connection has an event, read or not yet read, or at `wake`,
    // whichever comes first; at once if either is already so.
    void waitUntil(Clock::time_point wake);

  private:
    struct Link;
    explicit X11Screen(std::unique_ptr<Link> link);
    std::unique_ptr<Link> link_;
};

}  // namespace quellon
