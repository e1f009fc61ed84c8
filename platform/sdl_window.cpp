#include "platform/sdl_window.h"

#include <SDL.h>

#include <fcntl.h>
#include <unistd.h>

#include <algorithm>
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

namespace quellon {

namespace {

constexpr int kBeepHz = 880;
constexpr int kBeepMs = 120;
constexpr int kBeepFadeMs = 10;
constexpr int kAudioRate = 44100;
constexpr float kBeepVolume = 0.25f;

// Windows virtual-key codes for SDL's keys; 0 means the key has no code and is not passed on.
int virtualKeyFor(SDL_Keycode key) {
    if (key >= SDLK_a && key <= SDLK_z) {
        return 'A' + (key - SDLK_a);
    }
    if (key >= SDLK_0 && key <= SDLK_9) {
        return '0' + (key - SDLK_0);
    }
    if (key >= SDLK_F1 && key <= SDLK_F12) {
        return 112 + (key - SDLK_F1);
    }
    if (key >= SDLK_F13 && key <= SDLK_F24) {
        return 124 + (key - SDLK_F13);
    }
    if (key >= SDLK_KP_1 && key <= SDLK_KP_9) {
        return 97 + (key - SDLK_KP_1);
    }
    switch (key) {
        case SDLK_BACKSPACE:
            return 8;
        case SDLK_TAB:
            return 9;
        case SDLK_RETURN:
        case SDLK_KP_ENTER:
            return 13;
        case SDLK_LSHIFT:
        case SDLK_RSHIFT:
            return vk::kShift;
        case SDLK_LCTRL:
        case SDLK_RCTRL:
            return 17;
        case SDLK_LALT:
        case SDLK_RALT:
            return 18;
        case SDLK_PAUSE:
            return 19;
        case SDLK_CAPSLOCK:
            return 20;
        case SDLK_ESCAPE:
            return 27;
        case SDLK_SPACE:
            return 32;
        case SDLK_PAGEUP:
            return 33;
        case SDLK_PAGEDOWN:
            return 34;
        case SDLK_END:
            return 35;
        case SDLK_HOME:
            return 36;
        case SDLK_LEFT:
            return vk::kLeft;
        case SDLK_UP:
            return vk::kUp;
        case SDLK_RIGHT:
            return vk::kRight;
        case SDLK_DOWN:
            return vk::kDown;
        case SDLK_PRINTSCREEN:
            return 44;
        case SDLK_INSERT:
            return 45;
        case SDLK_DELETE:
            return 46;
        case SDLK_LGUI:
            return 91;
        case SDLK_RGUI:
            return 92;
        case SDLK_APPLICATION:
            return 93;
        case SDLK_KP_0:
            return 96;
        case SDLK_KP_MULTIPLY:
            return 106;
        case SDLK_KP_PLUS:
            return 107;
        case SDLK_KP_MINUS:
            return 109;
        case SDLK_KP_PERIOD:
            return 110;
        case SDLK_KP_DIVIDE:
            return 111;
        case SDLK_NUMLOCKCLEAR:
            return 144;
        case SDLK_SCROLLLOCK:
            return 145;
        case SDLK_SEMICOLON:
            return 186;
        case SDLK_EQUALS:
            return 187;
        case SDLK_COMMA:
            return vk::kComma;
        case SDLK_MINUS:
            return 189;
        case SDLK_PERIOD:
            return vk::kPeriod;
        case SDLK_SLASH:
            return 191;
        case SDLK_BACKQUOTE:
            return 192;
        case SDLK_LEFTBRACKET:
            return 219;
        case SDLK_BACKSLASH:
            return 220;
        case SDLK_RIGHTBRACKET:
            return 221;
        case SDLK_QUOTE:
            return 222;
        default:
            return 0;
    }
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

int shiftStateOf(Uint16 mod) {
    return ((mod & KMOD_SHIFT) ? kShiftMask : 0) | ((mod & KMOD_CTRL) ? kCtrlMask : 0) |
           ((mod & KMOD_ALT) ? kAltMask : 0);
}

// Some libraries behind SDL print their own complaints when they find no device (audio
// libraries without a sound card, libwayland without a compositor). A program without audio
// simply stays silent and one without a display says so once, so their stderr chatter is kept
// out while SDL looks.
class QuietStderr {
  public:
    QuietStderr() {
        (void)std::fflush(stderr);
        saved_ = ::dup(STDERR_FILENO);
        const int null = ::open("/dev/null", O_WRONLY | O_CLOEXEC);
        if (saved_ >= 0 && null >= 0) {
            ::dup2(null, STDERR_FILENO);
        }
        if (null >= 0) {
            ::close(null);
        }
    }
    ~QuietStderr() {
        if (saved_ >= 0) {
            ::dup2(saved_, STDERR_FILENO);
            ::close(saved_);
        }
    }
    QuietStderr(const QuietStderr&) = delete;
    QuietStderr& operator=(const QuietStderr&) = delete;

  private:
    int saved_ = -1;
};

class SdlWindow final : public Window {
  public:
    ~SdlWindow() override {
        if (audio_ != 0) {
            SDL_CloseAudioDevice(audio_);
        }
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
        return true;
    }

    void show() override {
        SDL_ShowWindow(window_);
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
            playBeep();
        }
        SDL_Event event;
        while (SDL_PollEvent(&event) != 0) {
            dispatch(event, events);
        }
    }

    std::uint32_t GetTickCount() override { return static_cast<std::uint32_t>(SDL_GetTicks64()); }

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
    void playBeep() {
        {
            const QuietStderr quiet;
            if (SDL_InitSubSystem(SDL_INIT_AUDIO) != 0) {
                return;  // no audio: no sound, and nothing to report
            }
            SDL_AudioSpec want{};
            want.freq = kAudioRate;
            want.format = AUDIO_F32SYS;
            want.channels = 1;
            want.samples = 1024;
            audio_ = SDL_OpenAudioDevice(nullptr, 0, &want, nullptr, 0);
            if (audio_ == 0) {
                return;
            }
        }
        const int samples = kAudioRate * kBeepMs / 1000;
        const int fade = kAudioRate * kBeepFadeMs / 1000;
        std::vector<float> tone(static_cast<std::size_t>(samples));
        for (int i = 0; i < samples; ++i) {
            const float envelope =
                static_cast<float>(std::min({i, samples - 1 - i, fade})) / static_cast<float>(fade);
            // A square wave: the classic beep, and no libm call in the loop.
            const bool high = (i * 2 * kBeepHz / kAudioRate) % 2 == 0;
            tone[static_cast<std::size_t>(i)] = (high ? kBeepVolume : -kBeepVolume) * envelope;
        }
        SDL_QueueAudio(audio_, tone.data(), static_cast<Uint32>(tone.size() * sizeof(float)));
        SDL_PauseAudioDevice(audio_, 0);
    }

  private:
    void dispatch(const SDL_Event& event, WindowEvents& events) {
        switch (event.type) {
            case SDL_KEYDOWN:
            case SDL_KEYUP: {
                const int code = virtualKeyFor(event.key.keysym.sym);
                if (code == 0) {
                    break;
                }
                const int shift = shiftStateOf(event.key.keysym.mod);
                if (event.type == SDL_KEYDOWN) {
                    events.keyDown(code, shift);
                    if (panel_ != nullptr) {
                        panel_->keyDown(code, shift);
                    }
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
                            present();
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

    // Puts the drawing surface into the window's own pixels (on X11 a shared-memory image
    // the server reads straight from) and has the window system show them: the one copy
    // between the drawn frame and the screen, converting the pixel format on the way.
    void present() {
        SDL_Surface* screen = SDL_GetWindowSurface(window_);
        if (screen == nullptr) {
            return;
        }
        if (SDL_MUSTLOCK(screen) && SDL_LockSurface(screen) != 0) {
            return;
        }
        copyInto(*screen, drawingSurface(), 0);
        if (panel_ != nullptr) {
            copyInto(*screen, panelSurface_, drawingSurface().width());
        }
        if (SDL_MUSTLOCK(screen)) {
            SDL_UnlockSurface(screen);
        }
        SDL_UpdateWindowSurface(window_);
    }

    // 0x00BBGGRR words are SDL's XBGR8888; the usual window formats hold the same channels in
    // other places, and anything else goes through SDL's own conversion.
    // The surface goes to the screen from column `left` on, as much as fits.
    static void copyInto(SDL_Surface& screen, const Surface& surface, int left) {
        const int width = std::min(surface.width(), screen.w - left);
        const int height = std::min(surface.height(), screen.h);
        if (width <= 0 || height <= 0) {
            return;
        }
        auto* out = static_cast<std::uint8_t*>(screen.pixels);
        const std::uint32_t format = screen.format->format;
        for (int y = 0; y < height; ++y) {
            const Colour* in = surface.row(y);
            auto* row = reinterpret_cast<std::uint32_t*>(out + static_cast<std::ptrdiff_t>(y) *
                                                                   screen.pitch) +
                        left;
            switch (format) {
                case SDL_PIXELFORMAT_XBGR8888:
                case SDL_PIXELFORMAT_ABGR8888:
                    for (int x = 0; x < width; ++x) {
                        row[x] = in[x] | 0xFF000000u;
                    }
                    break;
                case SDL_PIXELFORMAT_XRGB8888:
                case SDL_PIXELFORMAT_ARGB8888:
                    for (int x = 0; x < width; ++x) {
                        const Colour c = in[x];
                        row[x] =
                            0xFF000000u | ((c & 0xFFu) << 16) | (c & 0xFF00u) | ((c >> 16) & 0xFFu);
                    }
                    break;
                default:
                    SDL_ConvertPixels(width, 1, SDL_PIXELFORMAT_XBGR8888, in,
                                      static_cast<int>(sizeof(Colour)) * width, format, row,
                                      screen.pitch);
                    break;
            }
        }
    }

    SDL_Window* window_ = nullptr;
    SidePanel* panel_ = nullptr;
    Surface panelSurface_;
    SDL_AudioDeviceID audio_ = 0;
    bool closed_ = false;
    bool beepPending_ = false;
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
