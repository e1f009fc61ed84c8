#include "platform/web_window.h"

#include <emscripten.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <vector>

// The page's side, in web_window.js: the canvases, the yield, the beep, the icon and downloads.
extern "C" {
bool quellon_page_has_canvas(const char* id);
// panelId is null, and panelWidth 0, for a program without a panel.
void quellon_page_open(const char* viewId, const char* panelId, int width, int height,
                       int panelWidth);
// The view canvas's box in device pixels, as the page has laid it out (0 before it has).
int quellon_page_view_width();
int quellon_page_view_height();
// Whether the page has been shown since the last call.
bool quellon_page_frame_shown();
// Returns once the browser has run the page's waiting events (an Asyncify sleep).
void quellon_page_yield();
// Sleeps about `ms` milliseconds, the page's events running meanwhile (an Asyncify sleep).
void quellon_page_rest(double ms);
void quellon_page_present(bool onPanel, const void* pixels, int width, int height);
void quellon_page_beep(int hz, int ms, double volume);
void quellon_page_icon(const void* pixels, int width, int height);
bool quellon_page_download(const char* name, const char* text, int length);
}

namespace quellon {

namespace {

// How early the rest ends before the wait's last reading, and the shortest worth a timer.
constexpr double kRestMarginMs = 1.5;
constexpr double kShortestRestMs = 1.0;
// The page's canvases, by their ids.
constexpr const char* kViewCanvasId = "view";
constexpr const char* kPanelCanvasId = "panel";

// What the page reports, kept until the program yields: a kind and what it carries.
struct PageEvent {
    enum class Kind { kKeyDown, kKeyUp, kFocusLost, kClose, kResize, kPointer };
    Kind kind;
    int keyCode = 0;  // kKeyDown, kKeyUp
    int shiftState = 0;
    bool repeat = false;  // kKeyDown
    int width = 0;        // kResize
    int height = 0;
    PointerEvent pointer{};  // kPointer
};

class WebWindow;
// The window the page's events go to; the page has one.
WebWindow* gPageWindow = nullptr;

class WebWindow final : public Window {
  public:
    // The canvases take red, green, blue and an opacity byte: the surfaces keep their pixels so,
    // and go to the page as they are, with no copy.
    explicit WebWindow(const WindowRequest& request) : Window(request, PixelFormat::kAbgr) {}
    ~WebWindow() override {
        if (gPageWindow == this) {
            gPageWindow = nullptr;
        }
    }

    bool open(std::string& error, const WindowRequest& request) {
        const bool hasPanel = request.panel != nullptr;
        for (const char* id : {kViewCanvasId, hasPanel ? kPanelCanvasId : nullptr}) {
            if (id != nullptr && !quellon_page_has_canvas(id)) {
                error = "the page has no canvas with the id \"" + std::string(id) + "\"";
                return false;
            }
        }
        quellon_page_open(kViewCanvasId, hasPanel ? kPanelCanvasId : nullptr, request.width,
                          request.height, panelWidth());
        gPageWindow = this;
        // The view takes its box's size from the first frame on, as it does at every resize.
        const int width = quellon_page_view_width();
        const int height = quellon_page_view_height();
        layOut((width > 0 ? width : request.width) + panelWidth(),
               height > 0 ? height : request.height);
        return true;
    }

    // The page's events come in between the program's yields, while it sleeps in one; they
    // only join the queue.
    void post(const PageEvent& event) { pending_.push_back(event); }

    // The canvases are on the page from the start.
    void show() override {}

    void refresh() override {
        if (closed()) {
            return;
        }
        // The page's first frame shows the panel with the view: it is drawn first, so that
        // whatever its first drawing costs the browser (compiling the code it runs, setting up
        // its canvas) is paid before the page is on screen rather than just after.
        if (!presented_ && panelWidth() > 0) {
            if (const Surface* panel = drawPanel()) {
                present(true, *panel);
            }
        }
        presented_ = true;
        present(false, drawingSurface());
        // The view goes to its canvas at every refresh; the panel, which the page shows
        // beside it, once per frame the page shows, in a task of its own: the browser gets its
        // turn between the two (events wait in the queue, so nothing changes meanwhile), and
        // neither holds it up for as long as both would.
        if (panelWidth() > 0 && quellon_page_frame_shown()) {
            quellon_page_yield();
            if (const Surface* panel = drawPanel()) {
                present(true, *panel);
            }
        }
    }

    void yield(WindowEvents& events) override {
        quellon_page_yield();
        // Events that handling these raises wait for the next yield.
        due_.swap(pending_);
        for (const PageEvent& event : due_) {
            handle(event, events);
        }
        due_.clear();
    }

    // The page's millisecond clock, from when the page was opened, wrapping at 32 bits.
    std::uint32_t GetTickCount() override {
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(emscripten_get_now()));
    }

    // Browsers' timers fire late, often by a millisecond and sometimes by more, so the rest
    // ends kRestMarginMs before the counter reaches `untilTick` and the wait's yields poll the
    // rest. Events that come meanwhile wait in the queue for the next yield.
    void rest(std::uint32_t untilTick) override {
        const double now = emscripten_get_now();
        const auto reading = static_cast<std::uint32_t>(static_cast<std::uint64_t>(now));
        const auto ahead = static_cast<std::int32_t>(untilTick - reading);
        const double left = ahead - (now - std::floor(now)) - kRestMarginMs;
        if (ahead > 0 && left >= kShortestRestMs) {
            quellon_page_rest(left);
        }
    }

    void beep() override { quellon_page_beep(kBeepHz, kBeepMs, kBeepVolume); }

    void setIcon(const Surface& image) override {
        if (image.width() > 0 && image.height() > 0) {
            opaque(image);
            quellon_page_icon(staging_.data(), image.width(), image.height());
        }
    }

  private:
    void handle(const PageEvent& event, WindowEvents& events) {
        switch (event.kind) {
            case PageEvent::Kind::kKeyDown:
                if (std::find(held_.begin(), held_.end(), event.keyCode) == held_.end()) {
                    held_.push_back(event.keyCode);
                }
                pressKey(events, event.keyCode, event.shiftState, event.repeat);
                break;
            case PageEvent::Kind::kKeyUp:
                held_.erase(std::remove(held_.begin(), held_.end(), event.keyCode), held_.end());
                events.keyUp(event.keyCode, event.shiftState);
                break;
            case PageEvent::Kind::kFocusLost:
                // Like a desktop window losing the keyboard: every held key comes up.
                for (const int keyCode : held_) {
                    events.keyUp(keyCode, 0);
                }
                held_.clear();
                break;
            case PageEvent::Kind::kClose:
                close(events);
                break;
            case PageEvent::Kind::kResize:
                layOut(event.width + panelWidth(), event.height);
                break;
            case PageEvent::Kind::kPointer:
                // The panel's canvas lies to the right of the view's.
                point(event.pointer.kind,
                      event.pointer.x + (event.pointer.area == PointerEvent::Area::kPanel
                                             ? drawingSurface().width()
                                             : 0),
                      event.pointer.y, event.pointer.wheelSteps);
                break;
        }
    }

    // The surfaces are in the canvas's own format: the page copies their pixels as they are.
    void present(bool onPanel, const Surface& surface) {
        if (surface.width() > 0 && surface.height() > 0) {
            quellon_page_present(onPanel, surface.data(), surface.width(), surface.height());
        }
    }

    // The icon's pixels in staging_, in the canvas's format.
    void opaque(const Surface& surface) {
        staging_.clear();
        for (int y = 0; y < surface.height(); ++y) {
            for (int x = 0; x < surface.width(); ++x) {
                staging_.push_back(toPixel(GetPixel(surface, x, y), PixelFormat::kAbgr));
            }
        }
    }

    std::vector<Colour> staging_;
    std::vector<PageEvent> pending_;
    std::vector<PageEvent> due_;  // those being handled
    bool presented_ = false;      // whether a refresh has put the view on the page
    std::vector<int> held_;       // keys down, by their codes
};

void queueEvent(const PageEvent& event) {
    if (gPageWindow != nullptr) {
        gPageWindow->post(event);
    }
}

PageEvent key(PageEvent::Kind kind, int keyCode, bool shift, bool ctrl, bool alt, bool repeat) {
    return PageEvent{
        .kind = kind,
        .keyCode = keyCode,
        .shiftState = (shift ? kShiftMask : 0) | (ctrl ? kCtrlMask : 0) | (alt ? kAltMask : 0),
        .repeat = repeat};
}

PageEvent pointer(PointerEvent::Kind kind, bool onPanel, int x, int y, int wheelSteps = 0) {
    const auto area = onPanel ? PointerEvent::Area::kPanel : PointerEvent::Area::kView;
    return PageEvent{.kind = PageEvent::Kind::kPointer,
                     .pointer = PointerEvent{kind, area, x, y, wheelSteps}};
}

}  // namespace

std::unique_ptr<Window> openWindow(const WindowRequest& request, std::string& error) {
    auto window = std::make_unique<WebWindow>(request);
    if (!window->open(error, request)) {
        return nullptr;
    }
    return window;
}

bool offerDownload(const std::string& name, const std::string& text, std::string& error) {
    if (!quellon_page_download(name.c_str(), text.data(), static_cast<int>(text.size()))) {
        error = "the page could not offer " + name + " for download";
        return false;
    }
    return true;
}

// What the page calls as the person acts, with the key's code and modifiers as the browser
// reports them, positions in the canvas's own pixels. Each queues the event for the next yield
// and returns: the page calls them while the program sleeps in a yield, where nothing may start
// another sleep.
extern "C" {

EMSCRIPTEN_KEEPALIVE void quellon_event_key_down(int keyCode, bool shift, bool ctrl, bool alt,
                                                 bool repeat) {
    queueEvent(key(PageEvent::Kind::kKeyDown, keyCode, shift, ctrl, alt, repeat));
}

EMSCRIPTEN_KEEPALIVE void quellon_event_key_up(int keyCode, bool shift, bool ctrl, bool alt) {
    queueEvent(key(PageEvent::Kind::kKeyUp, keyCode, shift, ctrl, alt, false));
}

EMSCRIPTEN_KEEPALIVE void quellon_event_focus_lost() {
    queueEvent({.kind = PageEvent::Kind::kFocusLost});
}

EMSCRIPTEN_KEEPALIVE void quellon_event_close() {
    queueEvent({.kind = PageEvent::Kind::kClose});
}

// The view canvas's box, in device pixels: the view is drawn one pixel per pixel of the screen.
EMSCRIPTEN_KEEPALIVE void quellon_event_resize(int width, int height) {
    queueEvent({.kind = PageEvent::Kind::kResize, .width = width, .height = height});
}

EMSCRIPTEN_KEEPALIVE void quellon_event_pointer_move(bool onPanel, int x, int y) {
    queueEvent(pointer(PointerEvent::Kind::kMove, onPanel, x, y));
}

EMSCRIPTEN_KEEPALIVE void quellon_event_pointer_press(bool onPanel, int x, int y) {
    queueEvent(pointer(PointerEvent::Kind::kPress, onPanel, x, y));
}

// `steps` away from the person are positive.
EMSCRIPTEN_KEEPALIVE void quellon_event_wheel(bool onPanel, int x, int y, int steps) {
    queueEvent(pointer(PointerEvent::Kind::kWheel, onPanel, x, y, steps));
}

}  // extern "C"

}  // namespace quellon
