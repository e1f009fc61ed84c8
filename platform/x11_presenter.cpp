#include "platform/x11_presenter.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>
#include <X11/extensions/XShm.h>
#include <sys/ipc.h>
#include <sys/shm.h>

#include <array>
#include <cstdint>

#include "platform/x11_window.h"

namespace quellon {

namespace {

// Set while an image is being attached: a server that cannot reach our memory (a display on
// another machine) refuses the attachment with an error, which must not end the program.
bool attachRefused = false;
int noteRefusal(Display* /*display*/, XErrorEvent* /*error*/) {
    attachRefused = true;
    return 0;
}

class ShmImage {
  public:
    ShmImage() = default;
    ShmImage(const ShmImage&) = delete;
    ShmImage& operator=(const ShmImage&) = delete;
    ~ShmImage() { release(); }

    // A shared image of the window's visual and depth, `width` by `height`.
    bool create(Display* display, Visual* visual, int depth, int width, int height) {
        display_ = display;
        image_ =
            XShmCreateImage(display, visual, static_cast<unsigned>(depth), ZPixmap, nullptr,
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
        XSync(display, False);
        attachRefused = false;
        XErrorHandler previous = XSetErrorHandler(&noteRefusal);
        const bool attached = XShmAttach(display, &segment_) != 0;
        XSync(display, False);
        XSetErrorHandler(previous);
        attached_ = attached && !attachRefused;
        return attached_;
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
            image_->data = nullptr;
            XDestroyImage(image_);
            image_ = nullptr;
        }
    }

    XImage* image() const { return image_; }
    ShmSeg segment() const { return segment_.shmseg; }
    bool busy = false;  // the server has yet to say it is done copying it

  private:
    Display* display_ = nullptr;
    XImage* image_ = nullptr;
    XShmSegmentInfo segment_{};
    bool attached_ = false;
};

// The SDL pixel format of an image with these masks, or unknown.
Uint32 formatOf(const XImage& image) {
    return SDL_MasksToPixelFormatEnum(image.bits_per_pixel, static_cast<Uint32>(image.red_mask),
                                      static_cast<Uint32>(image.green_mask),
                                      static_cast<Uint32>(image.blue_mask), 0);
}

class ShmPresenter final : public X11Presenter {
  public:
    ~ShmPresenter() override {
        if (display_ != nullptr) {
            for (ShmImage& image : images_) {
                image.release();
            }
            if (gc_ != nullptr) {
                XFreeGC(display_, gc_);
            }
            XCloseDisplay(display_);
        }
    }

    // False when a second connection to the display, its shared-memory images or the window's
    // attributes cannot be had.
    bool open(const char* displayName, unsigned long window) {
        display_ = XOpenDisplay(displayName);
        if (display_ == nullptr) {
            return false;
        }
        int major = 0;
        int minor = 0;
        Bool pixmaps = False;
        if (XShmQueryVersion(display_, &major, &minor, &pixmaps) == 0) {
            return false;
        }
        window_ = window;
        XWindowAttributes attributes{};
        if (XGetWindowAttributes(display_, window_, &attributes) == 0) {
            return false;
        }
        visual_ = attributes.visual;
        depth_ = attributes.depth;
        gc_ = XCreateGC(display_, window_, 0, nullptr);
        completion_ = XShmGetEventBase(display_) + ShmCompletion;
        // A first image: a server that cannot reach our memory refuses it.
        return resize(1, 1);
    }

    ScreenPixels next(int width, int height) override {
        if (width <= 0 || height <= 0) {
            return {};
        }
        if ((width != width_ || height != height_) && !resize(width, height)) {
            return {};
        }
        // The image not shown last; if the server still copies it, wait until it is done.
        current_ = shown_ == 0 ? 1 : 0;
        while (images_[current_].busy) {
            takeCompletion(true);
        }
        XImage* image = images_[current_].image();
        return {image->data, width_, height_, image->bytes_per_line, format_};
    }

    void present() override {
        if (current_ < 0) {
            return;
        }
        put(current_);
        shown_ = current_;
        current_ = -1;
    }

    void repaint() override {
        if (shown_ >= 0 && !images_[shown_].busy) {
            put(shown_);
        }
    }

  private:
    void put(int index) {
        ShmImage& shm = images_[index];
        XShmPutImage(display_, window_, gc_, shm.image(), 0, 0, 0, 0, static_cast<unsigned>(width_),
                     static_cast<unsigned>(height_), True);
        shm.busy = true;
        XFlush(display_);
        while (takeCompletion(false)) {
        }
    }

    // Takes one completion the server sent, waiting for it if `wait`; false if none came.
    bool takeCompletion(bool wait) {
        XEvent event;
        if (!wait && XCheckTypedEvent(display_, completion_, &event) == 0) {
            return false;
        }
        if (wait) {
            XIfEvent(
                display_, &event,
                [](Display*, XEvent* e, XPointer type) {
                    return e->type == *reinterpret_cast<int*>(type) ? True : False;
                },
                reinterpret_cast<XPointer>(&completion_));
        }
        const auto& done = reinterpret_cast<const XShmCompletionEvent&>(event);
        for (ShmImage& image : images_) {
            if (image.image() != nullptr && image.segment() == done.shmseg) {
                image.busy = false;
            }
        }
        return true;
    }

    bool resize(int width, int height) {
        for (ShmImage& image : images_) {
            while (image.busy) {
                takeCompletion(true);
            }
            image.release();
        }
        shown_ = -1;
        current_ = -1;
        width_ = 0;
        height_ = 0;
        for (ShmImage& image : images_) {
            if (!image.create(display_, visual_, depth_, width, height)) {
                return false;
            }
        }
        format_ = formatOf(*images_[0].image());
        if (format_ == SDL_PIXELFORMAT_UNKNOWN) {
            return false;
        }
        width_ = width;
        height_ = height;
        return true;
    }

    Display* display_ = nullptr;
    unsigned long window_ = 0;
    Visual* visual_ = nullptr;
    int depth_ = 0;
    GC gc_ = nullptr;
    int completion_ = 0;
    std::array<ShmImage, 2> images_;
    int width_ = 0;
    int height_ = 0;
    Uint32 format_ = SDL_PIXELFORMAT_UNKNOWN;
    int shown_ = -1;    // the image put on screen last
    int current_ = -1;  // the image handed out by next(), until it is presented
};

}  // namespace

std::unique_ptr<X11Presenter> X11Presenter::open(SDL_Window* window) {
    SDL_SysWMinfo info;
    if (!onX11(window, info)) {
        return nullptr;
    }
    auto presenter = std::make_unique<ShmPresenter>();
    if (!presenter->open(DisplayString(info.info.x11.display), info.info.x11.window)) {
        return nullptr;
    }
    return presenter;
}

}  // namespace quellon
