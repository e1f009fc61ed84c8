// The SDL2 backend: the real window people see on the desktop. It translates SDL's events into
// the window's and presents the drawn pixels; on an X11 display it presents and rests through
// the X11 module beside SDL, chosen once when the window is shown.
#include <SDL.h>
#include <SDL_syswm.h>

#include <chrono>
#include <optional>
#include <string>
#include <string_view>

#include "platform/quiet_stderr.h"
#include "platform/sdl_beep.h"
#include "platform/sdl_keys.h"
#include "platform/sdl_pixels.h"
#include "platform/window.h"
#include "platform/x11_screen.h"

namespace quellon {

namespace {

// The tick counter counts whole milliseconds of the steady clock, so the rest knows to the
// microsecond when the counter will next read a given number.
using Clock = X11Screen::Clock;
using Ms = std::chrono::milliseconds;

// How long before the counter reaches the reading that ends the frame loop's wait the rest
// wakes up. None: a wake-up comes late by a tenth of a millisecond or so, and the counter reads
// the same whole millisecond until a whole one has gone by, so the wait reads what it would
// have read polling; only a wake-up a millisecond late costs a tick (see
// docs/performance.md).
constexpr auto kRestMargin = std::chrono::microseconds(0);

Ms sinceClockStart(Clock::time_point time) {
    return std::chrono::floor<Ms>(time.time_since_epoch());
}

// Drivers that draw nowhere. SDL falls back on its offscreen driver when no window system
// answers; the program then refuses to run unseen, unless the user chose that driver by name.
bool drawsNowhere(const char* name) {
    const std::string_view driver = name != nullptr ? name : "";
    return driver == "offscreen" || driver == "dummy" || driver == "evdev";
}

bool isSet(const char* variable) {
    const char* value = SDL_getenv(variable);
    return value != nullptr && *value != '\0';
}

// Why no window system answered, from the places SDL looked.
std::string missingDisplayReason() {
    std::string reason = "no display (";
    if (isSet("DISPLAY")) {
        reason += "the X display \"" + std::string(SDL_getenv("DISPLAY")) + "\" cannot be opened";
    } else {
        reason += "DISPLAY is not set";
    }
    if (isSet("WAYLAND_DISPLAY")) {
        reason +=
            ", nor the Wayland display \"" + std::string(SDL_getenv("WAYLAND_DISPLAY")) + "\"";
    }
    return reason + ")";
}

// The format of an image's words, when the program can draw straight into them: 32-bit words
// with 8 bits of each channel, in either order.
std::optional<PixelFormat> drawableFormat(const X11Pixels& image) {
    if (image.data == nullptr || image.bitsPerPixel != 32 || image.bytesPerLine % 4 != 0 ||
        image.greenMask != 0x00FF00) {
        return std::nullopt;
    }
    if (image.redMask == 0xFF0000 && image.blueMask == 0x0000FF) {
        return PixelFormat::kXrgb;
    }
    if (image.redMask == 0x0000FF && image.blueMask == 0xFF0000) {
        return PixelFormat::kXbgr;
    }
    return std::nullopt;
}

// The X11 side of an SDL window on an X11 display; null on any other.
std::unique_ptr<X11Screen> x11ScreenOf(SDL_Window* window) {
    SDL_SysWMinfo info;
    SDL_VERSION(&info.version);
    if (SDL_GetWindowWMInfo(window, &info) != SDL_TRUE || info.subsystem != SDL_SYSWM_X11) {
        return nullptr;
    }
    return X11Screen::open(info.info.x11.display, info.info.x11.window);
}

class SdlWindow final : public Window {
  public:
    explicit SdlWindow(const WindowRequest& request) : Window(request) {}

    ~SdlWindow() override {
        beep_.reset();  // the audio device and the X11 connection close before SDL does
        x11_.reset();
        if (window_ != nullptr) {
            SDL_DestroyWindow(window_);
        }
        SDL_Quit();
    }

    bool open(std::string& error, const WindowRequest& request) {
        // A close request must reach the loop as one; SDL would otherwise also quit on
        // losing its last window in ways the loop does not see.
        SDL_SetHint(SDL_HINT_QUIT_ON_LAST_WINDOW_CLOSE, "0");
        // The window's own pixels, not a texture of a renderer behind them: on X11 a
        // shared-memory image the server reads straight from.
        SDL_SetHint(SDL_HINT_FRAMEBUFFER_ACCELERATION, "0");
        {
            // Window systems that do not answer may say so on stderr themselves (libwayland
            // does); the one reason is reported by the caller.
            const QuietStderr quiet;
            if (SDL_Init(SDL_INIT_VIDEO | SDL_INIT_EVENTS) != 0) {
                error = SDL_GetError();
                return false;
            }
        }
        if (!isSet("SDL_VIDEODRIVER") && drawsNowhere(SDL_GetCurrentVideoDriver())) {
            error = missingDisplayReason();
            return false;
        }
        window_ = SDL_CreateWindow(request.title, SDL_WINDOWPOS_CENTERED, SDL_WINDOWPOS_CENTERED,
                                   request.width + panelWidth(), request.height,
                                   SDL_WINDOW_HIDDEN | SDL_WINDOW_RESIZABLE);
        if (window_ == nullptr) {
            error = SDL_GetError();
            return false;
        }
        // Never smaller than it opens: the view keeps its first size and the panel its width.
        SDL_SetWindowMinimumSize(window_, request.width + panelWidth(), request.height);
        beep_ = std::make_unique<SdlBeep>();
        return true;
    }

    void show() override {
        SDL_ShowWindow(window_);
        x11_ = x11ScreenOf(window_);
        followClientSize();
    }

    void refresh() override {
        if (closed()) {
            return;
        }
        const Surface* panel = drawPanel();
        if (drawsDirectly_) {
            // The frame and the panel are in the image already: the server is asked to show it,
            // and the next frame goes into the other image.
            x11_->present();
            drawInNextImage();
        } else if (x11_ != nullptr) {
            presentThroughX11(panel);
        } else {
            presentThroughSdl(panel);
        }
    }

    void yield(WindowEvents& events) override {
        if (beepPending_) {
            beepPending_ = false;
            beep_->play();
        }
        SDL_Event event;
        while (SDL_PollEvent(&event) != 0) {
            dispatch(event, events);
        }
    }

    std::uint32_t GetTickCount() override {
        return static_cast<std::uint32_t>(sinceClockStart(Clock::now()).count());
    }

    void rest(std::uint32_t untilTick) override {
        const Clock::time_point now = Clock::now();
        const Ms nowMs = sinceClockStart(now);
        const auto ahead =
            static_cast<std::int32_t>(untilTick - static_cast<std::uint32_t>(nowMs.count()));
        if (ahead <= 0 || SDL_HasEvents(SDL_FIRSTEVENT, SDL_LASTEVENT) == SDL_TRUE) {
            return;
        }
        const Clock::time_point wake = Clock::time_point(nowMs + Ms(ahead)) - kRestMargin;
        if (x11_ != nullptr) {
            x11_->waitUntil(wake);
            return;
        }
        // Elsewhere SDL sleeps for whole milliseconds only, and the wait polls the rest.
        const auto wholeMs = std::chrono::floor<Ms>(wake - now).count();
        if (wholeMs > 0) {
            (void)SDL_WaitEventTimeout(nullptr, static_cast<int>(wholeMs));
        }
    }

    // Opening the audio device takes milliseconds, so the beep asked for at start-up sounds
    // at the first yield, once the first frame is on screen.
    void beep() override { beepPending_ = true; }

    void setIcon(const Surface& image) override {
        if (image.width() <= 0 || image.height() <= 0) {
            return;
        }
        // SDL only reads the pixels here (SDL_SetWindowIcon keeps a converted copy).
        SDL_Surface* icon = SDL_CreateRGBSurfaceWithFormatFrom(
            const_cast<Colour*>(image.data()), image.width(), image.height(), 32,
            image.width() * static_cast<int>(sizeof(Colour)), SDL_PIXELFORMAT_XBGR8888);
        if (icon == nullptr) {
            return;
        }
        SDL_SetWindowIcon(window_, icon);
        SDL_FreeSurface(icon);
    }

  private:
    void leaveScreen() override { SDL_HideWindow(window_); }

    void dispatch(const SDL_Event& event, WindowEvents& events) {
        switch (event.type) {
            case SDL_KEYDOWN:
            case SDL_KEYUP: {
                if (togglesFullScreen(event.key.keysym)) {
                    // The window's own command, once per press; the program never sees it.
                    if (event.type == SDL_KEYDOWN && event.key.repeat == 0) {
                        toggleFullScreen();
                    }
                    break;
                }
                const int code = virtualKeyFor(event.key.keysym.sym);
                if (code == 0) {
                    break;
                }
                const int shift = shiftStateOf(event.key.keysym.mod);
                if (event.type == SDL_KEYDOWN) {
                    pressKey(events, code, shift, event.key.repeat != 0);
                } else {
                    events.keyUp(code, shift);
                }
                break;
            }
            case SDL_MOUSEMOTION:
                point(PointerEvent::Kind::kMove, event.motion.x, event.motion.y);
                break;
            case SDL_MOUSEBUTTONDOWN:
                point(PointerEvent::Kind::kPress, event.button.x, event.button.y);
                break;
            case SDL_MOUSEWHEEL:
                point(PointerEvent::Kind::kWheel, event.wheel.mouseX, event.wheel.mouseY,
                      event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y
                                                                      : event.wheel.y);
                break;
            case SDL_DROPFILE:
            case SDL_DROPTEXT:
                if (event.drop.file != nullptr) {
                    if (event.type == SDL_DROPFILE) {
                        dropFile(event.drop.file);
                    }
                    SDL_free(event.drop.file);
                }
                break;
            case SDL_QUIT:
                close(events);
                break;
            case SDL_WINDOWEVENT:
                switch (event.window.event) {
                    case SDL_WINDOWEVENT_CLOSE:
                        close(events);
                        break;
                    case SDL_WINDOWEVENT_SIZE_CHANGED:
                    case SDL_WINDOWEVENT_RESIZED:
                        followClientSize();
                        break;
                    case SDL_WINDOWEVENT_EXPOSED:
                        if (!closed() && x11_ != nullptr) {
                            x11_->repaint();
                        } else if (!closed()) {
                            presentThroughSdl(drawPanel());
                        }
                        break;
                    default:
                        break;
                }
                break;
            default:
                break;
        }
    }

    // F11, and Enter with Alt held, as on most desktops.
    static bool togglesFullScreen(const SDL_Keysym& key) {
        return key.sym == SDLK_F11 ||
               ((key.sym == SDLK_RETURN || key.sym == SDLK_KP_ENTER) && (key.mod & KMOD_ALT) != 0);
    }

    // Full screen is the desktop's size, the view taking what the panel leaves of it; back again
    // the window has the size it had before, as the window manager gives it back.
    void toggleFullScreen() {
        const bool leaving = (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
        (void)SDL_SetWindowFullscreen(window_, leaving ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
        followClientSize();
    }

    // The drawing surface takes what the panel leaves of the window. On X11, where the window's
    // words can be drawn as they are, the frame is drawn straight into the image the server shows
    // next: the choice is made once, by the first image's format.
    void followClientSize() {
        int width = 0;
        int height = 0;
        SDL_GetWindowSizeInPixels(window_, &width, &height);
        layOut(width, height);
        if (x11_ == nullptr) {
            return;
        }
        if (!formatChosen_) {
            formatChosen_ = true;
            const std::optional<PixelFormat> format = drawableFormat(x11_->next(width, height));
            drawsDirectly_ = format.has_value();
            if (drawsDirectly_) {
                useFormat(*format);
            }
        }
        if (drawsDirectly_) {
            drawInNextImage();
        }
    }

    // The drawing surface and the panel lie in the image the server shows next; where none can
    // be had, in pixels of their own, and that frame is not shown.
    void drawInNextImage() {
        const X11Pixels image =
            x11_->next(drawingSurface().width() + panelWidthNow(), drawingSurface().height());
        drawIn(static_cast<Colour*>(image.data), image.bytesPerLine / 4);
    }

    int panelWidthNow() {
        int width = 0;
        int height = 0;
        SDL_GetWindowSizeInPixels(window_, &width, &height);
        return width - drawingSurface().width();
    }

    // Puts the drawing surface, and the panel beside it, into one of the X11 module's images
    // and has the server show it: the one copy between the drawn frame and the screen.
    void presentThroughX11(const Surface* panel) {
        const int panelWidthPx = panel != nullptr ? panel->width() : 0;
        const X11Pixels image =
            x11_->next(drawingSurface().width() + panelWidthPx, drawingSurface().height());
        if (image.data == nullptr) {
            return;  // no image of that size can be had: this frame is not shown
        }
        const Uint32 format = SDL_MasksToPixelFormatEnum(image.bitsPerPixel, image.redMask,
                                                         image.greenMask, image.blueMask, 0);
        ScreenPixels pixels(image.data, image.width, image.height, image.bytesPerLine, format);
        copyToScreen(drawingSurface(), pixels, 0);
        if (panel != nullptr) {
            copyToScreen(*panel, pixels, drawingSurface().width());
        }
        x11_->present();
    }

    // Puts them into SDL's window surface and has SDL show it.
    void presentThroughSdl(const Surface* panel) {
        SDL_Surface* screen = SDL_GetWindowSurface(window_);
        if (screen == nullptr) {
            return;
        }
        if (SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) != 0) {
            return;
        }
        ScreenPixels pixels(*screen);
        copyToScreen(drawingSurface(), pixels, 0);
        if (panel != nullptr) {
            copyToScreen(*panel, pixels, drawingSurface().width());
        }
        if (SDL_MUSTLOCK(screen)) {
            SDL_UnlockSurface(screen);
        }
        SDL_UpdateWindowSurface(window_);
    }

    SDL_Window* window_ = nullptr;
    std::unique_ptr<SdlBeep> beep_;
    std::unique_ptr<X11Screen> x11_;  // on an X11 display
    bool formatChosen_ = false;
    bool drawsDirectly_ = false;  // into the X11 module's images, in their own format
    bool beepPending_ = false;
};

}  // namespace

std::unique_ptr<Window> openWindow(const WindowRequest& request, std::string& error) {
    auto window = std::make_unique<SdlWindow>(request);
    if (!window->open(error, request)) {
        return nullptr;
    }
    return window;
}

}  // namespace quellon
