#include "platform/x11_screen.h"

#include <X11/Xlib-xcb.h>
#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <poll.h>
#include <sys/ipc.h>
#include <sys/prctl.h>
#include <sys/shm.h>
#include <xcb/shm.h>

#include <array>
#include <cstdint>
#include <cstdlib>

namespace quellon {

namespace {

// The kernel may end a sleep this much later than asked, to group wake-ups; the default is
// 50 microseconds. The rest asks for its wake-up to the microsecond.
constexpr unsigned long kTimerSlackNs = 1;
constexpr int kBitmapPadBits = 32;  // each row of an image starts on a 32-bit boundary

// One image the server copies into the window: in memory we share with the server when it can
// reach ours, otherwise in our own, sent with each request.
class Image {
  public:
    Image() = default;
    Image(const Image&) = delete;
    Image& operator=(const Image&) = delete;
    ~Image() { release(); }

    // An image of the window's visual and depth, `width` by `height`; false if none can be made.
    bool create(Display* display, Visual* visual, int depth, int width, int height, bool share) {
        display_ = display;
        shared_ = share && createShared(visual, depth, width, height);
        if (shared_) {
            return true;
        }
        release();
        image_ = XCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, 0, nullptr,
                              static_cast<unsigned>(width), static_cast<unsigned>(height),
                              kBitmapPadBits, 0);
        if (image_ == nullptr) {
            return false;
        }
        image_->data = static_cast<char*>(std::calloc(
            static_cast<std::size_t>(image_->bytes_per_line) * static_cast<std::size_t>(height),
            1));
        return image_->data != nullptr;
    }

    void release() {
        if (attached_) {
            XShmDetach(display_, &segment_);
            XSync(display_, False);
            attached_ = false;
        }
        if (segment_.shmaddr != nullptr) {
            (void)shmdt(segment_.shmaddr);
            segment_.shmaddr = nullptr;
        }
        if (image_ != nullptr) {
            if (shared_) {
                image_->data = nullptr;  // the segment's, detached above
            }
            XDestroyImage(image_);  // frees our own memory with the image
            image_ = nullptr;
        }
        shared_ = false;
        busy = false;
    }

    // Asks the server to copy the image into `window`; a shared one is busy until the server
    // says it is done with it.
    void put(Drawable window, GC gc, unsigned width, unsigned height) {
        if (shared_) {
            XShmPutImage(display_, window, gc, image_, 0, 0, 0, 0, width, height, True);
            busy = true;
        } else {
            XPutImage(display_, window, gc, image_, 0, 0, 0, 0, width, height);
        }
    }

    XImage* image() const { return image_; }
    bool holds(ShmSeg segment) const { return shared_ && segment_.shmseg == segment; }
    bool busy = false;

  private:
    bool createShared(Visual* visual, int depth, int width, int height) {
        image_ =
            XShmCreateImage(display_, visual, static_cast<unsigned>(depth), ZPixmap, nullptr,
                            &segment_, static_cast<unsigned>(width), static_cast<unsigned>(height));
        if (image_ == nullptr) {
            return false;
        }
        segment_.shmid = shmget(IPC_PRIVATE,
                                static_cast<std::size_t>(image_->bytes_per_line) *
                                    static_cast<std::size_t>(image_->height),
                                IPC_CREAT | 0600);
        if (segment_.shmid < 0) {
            return false;
        }
        void* memory = shmat(segment_.shmid, nullptr, 0);
        // Marked for removal at once: it goes when both we and the server have let go of it,
        // however the program ends.
        (void)shmctl(segment_.shmid, IPC_RMID, nullptr);
        if (reinterpret_cast<std::intptr_t>(memory) == -1) {  // shmat's failure
            return false;
        }
        segment_.shmaddr = image_->data = static_cast<char*>(memory);
        segment_.readOnly = False;
        // A server that cannot reach our memory (a display on another machine) refuses the
        // attachment; the checked request says so to us alone, where Xlib would call the
        // process's error handler.
        xcb_connection_t* connection = XGetXCBConnection(display_);
        segment_.shmseg = xcb_generate_id(connection);
        xcb_generic_error_t* refused = xcb_request_check(
            connection,
            xcb_shm_attach_checked(connection, static_cast<xcb_shm_seg_t>(segment_.shmseg),
                                   static_cast<std::uint32_t>(segment_.shmid), 0));
        if (refused != nullptr) {
            std::free(refused);
            return false;
        }
        attached_ = true;
        return true;
    }

    Display* display_ = nullptr;
    XImage* image_ = nullptr;
    XShmSegmentInfo segment_{};
    bool shared_ = false;
    bool attached_ = false;
};

}  // namespace

struct X11Screen::Link {
    ~Link() {
        for (Image& image : images) {
            image.release();
        }
        if (gc != nullptr) {
            XFreeGC(display, gc);
        }
        if (display != nullptr) {
            XCloseDisplay(display);
        }
    }

    // Takes one completion the server sent, waiting for it if `wait`; false if none came.
    bool takeCompletion(bool wait) {
        XEvent event;
        if (!wait && XCheckTypedEvent(display, completion, &event) == 0) {
            return false;
        }
        if (wait) {
            XIfEvent(
                display, &event,
                [](Display*, XEvent* e, XPointer type) {
                    return e->type == *reinterpret_cast<int*>(type) ? True : False;
                },
                reinterpret_cast<XPointer>(&completion));
        }
        const auto& done = reinterpret_cast<const XShmCompletionEvent&>(event);
        for (Image& image : images) {
            if (image.holds(done.shmseg)) {
                image.busy = false;
            }
        }
        return true;
    }

    void put(int index) {
        images[static_cast<std::size_t>(index)].put(window, gc, static_cast<unsigned>(width),
                                                    static_cast<unsigned>(height));
        XFlush(display);
        while (takeCompletion(false)) {
        }
    }

    bool resize(int newWidth, int newHeight) {
        for (Image& image : images) {
            while (image.busy) {
                takeCompletion(true);
            }
            image.release();
        }
        shown = -1;
        current = -1;
        width = 0;
        height = 0;
        for (Image& image : images) {
            if (!image.create(display, visual, depth, newWidth, newHeight, canShare)) {
                return false;
            }
        }
        width = newWidth;
        height = newHeight;
        return true;
    }

    Display* events = nullptr;   // the window's own connection, whose events the backend reads
    Display* display = nullptr;  // ours, for presenting
    Window window = 0;
    Visual* visual = nullptr;
    int depth = 0;
    GC gc = nullptr;
    bool canShare = false;  // the server has the shared-memory extension
    int completion = 0;
    std::array<Image, 2> images;
    int width = 0;
    int height = 0;
    int shown = -1;    // the image put on screen last
    int current = -1;  // the image handed out by next(), until it is presented
};

X11Screen::X11Screen(std::unique_ptr<Link> link) : link_(std::move(link)) {}
X11Screen::~X11Screen() = default;

std::unique_ptr<X11Screen> X11Screen::open(_XDisplay* events, unsigned long window) {
    auto link = std::make_unique<Link>();
    link->events = events;
    link->display = XOpenDisplay(DisplayString(events));
    if (link->display == nullptr) {
        return nullptr;
    }
    link->window = window;
    XWindowAttributes attributes{};
    if (XGetWindowAttributes(link->display, window, &attributes) == 0) {
        return nullptr;
    }
    link->visual = attributes.visual;
    link->depth = attributes.depth;
    link->gc = XCreateGC(link->display, window, 0, nullptr);
    int major = 0;
    int minor = 0;
    Bool pixmaps = False;
    link->canShare = XShmQueryVersion(link->display, &major, &minor, &pixmaps) != 0;
    if (link->canShare) {
        link->completion = XShmGetEventBase(link->display) + ShmCompletion;
    }
    (void)prctl(PR_SET_TIMERSLACK, kTimerSlackNs, 0, 0, 0);
    return std::unique_ptr<X11Screen>(new X11Screen(std::move(link)));
}

X11Pixels X11Screen::next(int width, int height) {
    Link& link = *link_;
    if (width <= 0 || height <= 0) {
        return {};
    }
    if ((width != link.width || height != link.height) && !link.resize(width, height)) {
        return {};
    }
    // The image not shown last; if the server still copies it, wait until it is done.
    link.current = link.shown == 0 ? 1 : 0;
    Image& next = link.images[static_cast<std::size_t>(link.current)];
    while (next.busy) {
        link.takeCompletion(true);
    }
    const XImage& image = *next.image();
    return {image.data,
            link.width,
            link.height,
            image.bytes_per_line,
            image.bits_per_pixel,
            static_cast<std::uint32_t>(image.red_mask),
            static_cast<std::uint32_t>(image.green_mask),
            static_cast<std::uint32_t>(image.blue_mask)};
}

void X11Screen::present() {
    Link& link = *link_;
    if (link.current < 0) {
        return;
    }
    link.put(link.current);
    link.shown = link.current;
    link.current = -1;
}

void X11Screen::repaint() {
    Link& link = *link_;
    if (link.shown >= 0 && !link.images[static_cast<std::size_t>(link.shown)].busy) {
        link.put(link.shown);
    }
}

void X11Screen::waitUntil(Clock::time_point wake) {
    Display* events = link_->events;
    // Events already read off the connection wait in Xlib's queue, where poll cannot see them.
    if (XEventsQueued(events, QueuedAlready) > 0) {
        return;
    }
    const Clock::duration left = wake - Clock::now();
    if (left <= Clock::duration::zero()) {
        return;
    }
    const auto ns = std::chrono::duration_cast<std::chrono::nanoseconds>(left).count();
    const timespec timeout{static_cast<time_t>(ns / 1'000'000'000),
                           static_cast<long>(ns % 1'000'000'000)};
    pollfd connection{ConnectionNumber(events), POLLIN, 0};
    // A signal ends the sleep early; the wait then simply rests again.
    (void)ppoll(&connection, 1, &timeout, nullptr);
}

}  // namespace quellon
