#include "platform/sdl_window.h"

#include <SDL.h>

#include <algorithm>
#include <chrono>
#include <string>
#include <string_view>

#include "platform/quiet_stderr.h"
#include "platform/sdl_beep.h"
#include "platform/sdl_keys.h"
#include "platform/sdl_pixels.h"
#include "platform/x11_presenter.h"
#include "platform/x11_window.h"

namespace quellon {

namespace {

// The tick counter counts whole milliseconds of the steady clock, so the rest knows to the
// microsecond when the counter will next read a given number.
using Clock = X11Wait::Clock;
using Ms = std::chrono::milliseconds;

// How long before the counter reaches the reading that ends the frame loop's wait the rest
// wakes up: more than a wake-up here usually comes late (see docs/performance.md). The wait
// polls for what is left.
constexpr auto kRestMargin = std::chrono::microseconds(250);

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

class SdlWindow final : public Window {
  public:
    ~SdlWindow() override {
        beep_.reset();  // the audio device and the presenter's connection close before SDL does
        presenter_.reset();
        wait_.reset();
        if (window_ != nullptr) {
            SDL_DestroyWindow(window_);
        }
        SDL_Quit();
    }

    bool open(std::string& error, const WindowRequest& request) {
        panel_ = request.panel;
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
        beep_ = std::make_unique<SdlBeep>();
        return true;
    }

    void show() override {
        SDL_ShowWindow(window_);
        // On X11 the frames go to the server without waiting for it; elsewhere through SDL.
        presenter_ = X11Presenter::open(window_);
        wait_ = X11Wait::open(window_);
        placesItself_ = lacksFullScreenManager(window_);
        followClientSize();
    }

    void refresh() override {
        if (closed_) {
            return;
        }
        if (panel_ != nullptr) {
            panel_->draw(panelSurface_);
        }
        present();
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
        if (wait_ != nullptr) {
            wait_->until(wake);
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
                    pressKey(events, panel_, code, shift, event.key.repeat != 0);
                } else {
                    events.keyUp(code, shift);
                }
                break;
            }
            case SDL_MOUSEMOTION:
                point(PointerEvent::Kind::kMove, event.motion.x, event.motion.y, 0);
                break;
            case SDL_MOUSEBUTTONDOWN:
                point(PointerEvent::Kind::kPress, event.button.x, event.button.y, 0);
                break;
            case SDL_MOUSEWHEEL: {
                const int steps = event.wheel.direction == SDL_MOUSEWHEEL_FLIPPED ? -event.wheel.y
                                                                                  : event.wheel.y;
                point(PointerEvent::Kind::kWheel, event.wheel.mouseX, event.wheel.mouseY, steps);
                break;
            }
            case SDL_DROPFILE:
            case SDL_DROPTEXT:
                if (event.drop.file != nullptr) {
                    if (event.type == SDL_DROPFILE && panel_ != nullptr) {
                        panel_->fileDropped(event.drop.file);
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
                        if (!closed_) {
                            if (presenter_ != nullptr) {
                                presenter_->repaint();
                            } else {
                                present();
                            }
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

    // Every close request is granted: the window leaves the screen at once, and the loop
    // ends at the top of its next pass.
    void close(WindowEvents& events) {
        events.closeRequested();
        if (!closed_) {
            closed_ = true;
            SDL_HideWindow(window_);
        }
    }

    // F11, and Enter with Alt held, as on most desktops.
    static bool togglesFullScreen(const SDL_Keysym& key) {
        return key.sym == SDLK_F11 ||
               ((key.sym == SDLK_RETURN || key.sym == SDLK_KP_ENTER) && (key.mod & KMOD_ALT) != 0);
    }

    // Full screen is the desktop's size, the view taking what the panel leaves of it; back again
    // the window has the size and place it had before. A window manager puts the window on the
    // screen when SDL asks it; without one that can, the window is moved and sized to the
    // screen here, and SDL is not told (it would take the window for full screen, sized or not).
    void toggleFullScreen() {
        const bool leaving = fullScreen();
        if (!leaving) {
            SDL_GetWindowPosition(window_, &windowed_.x, &windowed_.y);
            SDL_GetWindowSize(window_, &windowed_.w, &windowed_.h);
        }
        if (!placesItself_) {
            (void)SDL_SetWindowFullscreen(window_, leaving ? 0 : SDL_WINDOW_FULLSCREEN_DESKTOP);
        }
        SDL_Rect place = windowed_;
        if (!leaving && placesItself_) {
            (void)SDL_GetDisplayBounds(SDL_GetWindowDisplayIndex(window_), &place);
        }
        // Leaving SDL's full screen may leave the window at the screen's size.
        if (leaving || placesItself_) {
            SDL_SetWindowSize(window_, place.w, place.h);
            SDL_SetWindowPosition(window_, place.x, place.y);
        }
        placedFullScreen_ = placesItself_ && !leaving;
        followClientSize();
    }

    bool fullScreen() const {
        return placesItself_ ? placedFullScreen_
                             : (SDL_GetWindowFlags(window_) & SDL_WINDOW_FULLSCREEN) != 0;
    }

    int panelWidth() const { return panel_ != nullptr ? std::max(0, panel_->widthPx()) : 0; }

    // The drawing surface takes what the panel leaves of the window.
    void followClientSize() {
        int width = 0;
        int height = 0;
        SDL_GetWindowSizeInPixels(window_, &width, &height);
        const int panel = std::min(width, panelWidth());
        resizeSurface(width - panel, height);
        if (panel_ != nullptr &&
            (panelSurface_.width() != panel || panelSurface_.height() != height)) {
            panelSurface_.resize(panel, height);
        }
    }

    // Hands the pointer to the panel, in the coordinates of the area it is over.
    void point(PointerEvent::Kind kind, int x, int y, int wheelSteps) {
        if (panel_ == nullptr) {
            return;
        }
        const int viewWidth = drawingSurface().width();
        const bool overView = x < viewWidth;
        panel_->pointer(
            PointerEvent{kind, overView ? PointerEvent::Area::kView : PointerEvent::Area::kPanel,
                         overView ? x : x - viewWidth, y, wheelSteps});
    }

    // Puts the drawing surface, and the panel beside it, into the window's own pixels (on X11
    // a shared-memory image the server reads straight from) and has the window system show
    // them: the one copy between the drawn frame and the screen.
    void present() {
        if (presenter_ != nullptr) {
            ScreenPixels pixels = presenter_->next(drawingSurface().width() + panelSurface_.width(),
                                                   drawingSurface().height());
            if (pixels.width() > 0) {
                copyToScreen(drawingSurface(), pixels, 0);
                copyToScreen(panelSurface_, pixels, drawingSurface().width());
                presenter_->present();
                return;
            }
            presenter_.reset();  // the server took no more images: SDL's way from now on
        }
        SDL_Surface* screen = SDL_GetWindowSurface(window_);
        if (screen == nullptr) {
            return;
        }
        if (SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) != 0) {
            return;
        }
        ScreenPixels pixels(*screen);
        copyToScreen(drawingSurface(), pixels, 0);
        if (panel_ != nullptr) {
            copyToScreen(panelSurface_, pixels, drawingSurface().width());
        }
        if (SDL_MUSTLOCK(screen)) {
            SDL_UnlockSurface(screen);
        }
        SDL_UpdateWindowSurface(window_);
    }

    SDL_Window* window_ = nullptr;
    SidePanel* panel_ = nullptr;
    Surface panelSurface_;
    std::unique_ptr<SdlBeep> beep_;
    std::unique_ptr<X11Presenter> presenter_;
    std::unique_ptr<X11Wait> wait_;
    bool closed_ = false;
    bool beepPending_ = false;
    SDL_Rect windowed_{};            // the window's place and size before it went full screen
    bool placesItself_ = false;      // full screen by moving and sizing the window here
    bool placedFullScreen_ = false;  // so placed now
};

}  // namespace

std::unique_ptr<Window> openSdlWindow(std::string& error, const WindowRequest& request) {
    auto window = std::make_unique<SdlWindow>();
    if (!window->open(error, request)) {
        return nullptr;
    }
    return window;
}

}  // namespace quellon
