#include "platform/web_window.h"

#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <vector>

// The page's side: the canvases, the events the page raises, the yield and the beep. Events
// wait in a queue until the program yields, as they do in a desktop window's event queue.
// Each is five numbers: a kind, then what it carries.

// Connects to the canvases; 0 when both are there, 1 without a view canvas, 2 without a panel
// canvas when one is wanted.
// clang-format off
EM_JS(int, quellon_page_open, (int width, int height, int panelWidth), {
    const view = document.getElementById("view");
    const panel = panelWidth > 0 ? document.getElementById("panel") : null;
    if (!view) return 1;
    if (panelWidth > 0 && !panel) return 2;
    const q = Module.quellonEvents = [];
    const push = (kind, a, b, c, d) => q.push(kind, a | 0, b | 0, c | 0, d | 0);
    Module.quellonContexts = [view.getContext("2d"), panel ? panel.getContext("2d") : null];
    view.width = width;
    view.height = height;
    if (panel) {
        panel.width = panelWidth;
        panel.height = height;
    }
    // The start-up beep waits until the page may play sound: the first key press or click.
    const gesture = () => {
        const audio = Module.quellonAudio;
        if (audio && audio.state !== "running") audio.resume().then(() => Module.quellonBeepNow());
    };
    const shift = (e) => (e.shiftKey ? 1 : 0) | (e.ctrlKey ? 2 : 0) | (e.altKey ? 4 : 0);
    const held = new Set();
    // Keys the page would otherwise scroll with.
    const scrolling = new Set([32, 33, 34, 35, 36, 37, 38, 39, 40]);
    window.addEventListener("keydown", (e) => {
        push(1, e.keyCode, shift(e));
        held.add(e.keyCode);
        if (scrolling.has(e.keyCode)) e.preventDefault();
        gesture();
    });
    window.addEventListener("keyup", (e) => {
        push(2, e.keyCode, shift(e));
        held.delete(e.keyCode);
        if (scrolling.has(e.keyCode)) e.preventDefault();
    });
    // Like a desktop window losing the keyboard: every held key comes up.
    window.addEventListener("blur", () => {
        for (const code of held) push(2, code, 0);
        held.clear();
    });
    window.addEventListener("pagehide", () => push(3));
    new ResizeObserver((entries) => {
        const box = entries[entries.length - 1].contentRect;
        push(4, Math.round(box.width), Math.round(box.height));
    }).observe(view);
    // Pointer positions in canvas pixels: area 0 is the view, 1 the panel.
    const at = (canvas, e) => [Math.floor(e.offsetX * canvas.width / Math.max(1, canvas.clientWidth)),
                               Math.floor(e.offsetY * canvas.height / Math.max(1, canvas.clientHeight))];
    [view, panel].forEach((canvas, area) => {
        if (!canvas) return;
        canvas.addEventListener("mousemove", (e) => push(5, area, ...at(canvas, e)));
        canvas.addEventListener("mousedown", (e) => { push(6, area, ...at(canvas, e)); gesture(); });
        canvas.addEventListener("wheel", (e) => {
            e.preventDefault();
            if (e.deltaY !== 0) push(7, area, ...at(canvas, e), e.deltaY < 0 ? 1 : -1);
        }, { passive: false });
    });
    // The page is shown once per display frame; the panel need not be drawn more often.
    Module.quellonFrameShown = true;
    const shown = () => { Module.quellonFrameShown = true; requestAnimationFrame(shown); };
    requestAnimationFrame(shown);
    // The yield: a message posted to ourselves comes back as soon as the browser has run
    // what was waiting, without the clamping that delays repeated zero-delay timers.
    const channel = new MessageChannel();
    channel.port1.onmessage = () => { const resume = Module.quellonResume; Module.quellonResume = null; if (resume) resume(); };
    Module.quellonPort = channel.port2;
    return 0;
});

EM_JS(int, quellon_page_next_event, (int* out), {
    const q = Module.quellonEvents;
    if (q.length === 0) return 0;
    for (let i = 0; i < 5; ++i) HEAP32[(out >> 2) + i] = q.shift();
    return 1;
});

// Whether the page has been shown since the last call.
EM_JS(int, quellon_page_frame_shown, (), {
    const shown = Module.quellonFrameShown;
    Module.quellonFrameShown = false;
    return shown ? 1 : 0;
});

EM_ASYNC_JS(void, quellon_page_yield, (), {
    await new Promise((resolve) => { Module.quellonResume = resolve; Module.quellonPort.postMessage(0); });
});

EM_JS(void, quellon_page_present, (int canvas, const void* pixels, int width, int height), {
    const context = Module.quellonContexts[canvas];
    if (!context) return;
    if (context.canvas.width !== width || context.canvas.height !== height) {
        context.canvas.width = width;
        context.canvas.height = height;
    }
    const bytes = new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4);
    context.putImageData(new ImageData(bytes, width, height), 0, 0);
});

EM_JS(void, quellon_page_beep, (int hz, int ms, double volume), {
    Module.quellonBeepNow = () => {
        const audio = Module.quellonAudio;
        if (!Module.quellonBeepPending || !audio || audio.state !== "running") return;
        Module.quellonBeepPending = false;
        const tone = audio.createOscillator();
        const gain = audio.createGain();
        tone.type = "square";
        tone.frequency.value = hz;
        gain.gain.value = volume;
        tone.connect(gain).connect(audio.destination);
        tone.start();
        tone.stop(audio.currentTime + ms / 1000);
    };
    try {
        const Context = window.AudioContext || window.webkitAudioContext;
        if (!Context) return;
        Module.quellonAudio = Module.quellonAudio || new Context();
        Module.quellonBeepPending = true;
        if (Module.quellonAudio.state === "running") Module.quellonBeepNow();
    } catch (e) {
        // No sound on this page: the program stays silent, as it does without a sound device.
    }
});

// The page's icon, as its tab shows it: the picture given, in place of the page's own.
EM_JS(void, quellon_page_icon, (const void* pixels, int width, int height), {
    const canvas = document.createElement("canvas");
    canvas.width = width;
    canvas.height = height;
    const bytes = new Uint8ClampedArray(HEAPU8.buffer, pixels, width * height * 4);
    canvas.getContext("2d").putImageData(new ImageData(new Uint8ClampedArray(bytes), width, height), 0, 0);
    let link = document.querySelector("link[rel=icon]");
    if (!link) {
        link = document.createElement("link");
        link.rel = "icon";
        document.head.appendChild(link);
    }
    link.href = canvas.toDataURL("image/png");
});

EM_JS(int, quellon_page_download, (const char* name, const char* text, int length), {
    try {
        const blob = new Blob([HEAPU8.slice(text, text + length)], { type: "text/plain" });
        const link = document.createElement("a");
        link.href = URL.createObjectURL(blob);
        link.download = UTF8ToString(name);
        link.click();
        setTimeout(() => URL.revokeObjectURL(link.href), 10000);
        return 1;
    } catch (e) {
        return 0;
    }
});
// clang-format on

namespace quellon {

namespace {

constexpr Colour kOpaque = 0xFF000000u;

enum EventKind {
    kNone = 0,
    kKeyDown = 1,
    kKeyUp = 2,
    kClose = 3,
    kResize = 4,
    kPointerMove = 5,
    kPointerPress = 6,
    kWheel = 7,
};

class WebWindow final : public Window {
  public:
    bool open(std::string& error, const WindowRequest& request) {
        panel_ = request.panel;
        const int panelWidth = panel_ != nullptr ? std::max(1, panel_->widthPx()) : 0;
        switch (quellon_page_open(request.width, request.height, panelWidth)) {
            case 0:
                break;
            case 1:
                error = "the page has no canvas with the id \"view\"";
                return false;
            default:
                error = "the page has no canvas with the id \"panel\"";
                return false;
        }
        resizeSurface(request.width, request.height);
        if (panel_ != nullptr) {
            panelSurface_.resize(panelWidth, request.height);
        }
        return true;
    }

    // The canvases are on the page from the start.
    void show() override {}

    void refresh() override {
        if (closed_) {
            return;
        }
        present(0, drawingSurface());
        // The view goes to its canvas at every refresh; the panel, which the page shows
        // beside it, once per frame the page shows.
        if (panel_ != nullptr && quellon_page_frame_shown() != 0) {
            panel_->draw(panelSurface_);
            present(1, panelSurface_);
        }
    }

    void yield(WindowEvents& events) override {
        quellon_page_yield();
        int event[5] = {};
        while (quellon_page_next_event(event) != 0) {
            dispatch(event, events);
        }
    }

    // The page's millisecond clock, from when the page was opened, wrapping at 32 bits.
    std::uint32_t GetTickCount() override {
        return static_cast<std::uint32_t>(static_cast<std::uint64_t>(emscripten_get_now()));
    }

    void beep() override { quellon_page_beep(kBeepHz, kBeepMs, kBeepVolume); }

    void setIcon(const Surface& image) override {
        if (image.width() > 0 && image.height() > 0) {
            opaque(image);
            quellon_page_icon(staging_.data(), image.width(), image.height());
        }
    }

  private:
    void dispatch(const int* event, WindowEvents& events) {
        const PointerEvent::Area area =
            event[1] == 0 ? PointerEvent::Area::kView : PointerEvent::Area::kPanel;
        switch (event[0]) {
            case kKeyDown:
                pressKey(events, panel_, event[1], event[2], false);
                break;
            case kKeyUp:
                events.keyUp(event[1], event[2]);
                break;
            case kClose:
                closed_ = true;
                events.closeRequested();
                break;
            case kResize:
                resizeSurface(event[1], event[2]);
                if (panel_ != nullptr) {
                    panelSurface_.resize(panelSurface_.width(), drawingSurface().height());
                }
                break;
            case kPointerMove:
            case kPointerPress:
            case kWheel:
                if (panel_ != nullptr) {
                    const auto kind = event[0] == kPointerMove    ? PointerEvent::Kind::kMove
                                      : event[0] == kPointerPress ? PointerEvent::Kind::kPress
                                                                  : PointerEvent::Kind::kWheel;
                    panel_->pointer(PointerEvent{kind, area, event[2], event[3], event[4]});
                }
                break;
            default:
                break;
        }
    }

    // The canvas takes red, green, blue and an opacity byte, where the surface keeps 0: the
    // one copy between the drawn frame and the page sets it.
    void present(int canvas, const Surface& surface) {
        if (surface.width() > 0 && surface.height() > 0) {
            opaque(surface);
            quellon_page_present(canvas, staging_.data(), surface.width(), surface.height());
        }
    }

    // The surface's pixels in staging_, with the opacity byte set.
    void opaque(const Surface& surface) {
        const std::size_t count =
            static_cast<std::size_t>(surface.width()) * static_cast<std::size_t>(surface.height());
        staging_.resize(count);
        const Colour* in = surface.data();
        for (std::size_t i = 0; i < count; ++i) {
            staging_[i] = in[i] | kOpaque;
        }
    }

    SidePanel* panel_ = nullptr;
    Surface panelSurface_;
    std::vector<Colour> staging_;
    bool closed_ = false;
};

}  // namespace

std::unique_ptr<Window> openWebWindow(std::string& error, const WindowRequest& request) {
    auto window = std::make_unique<WebWindow>();
    if (!window->open(error, request)) {
        return nullptr;
    }
    return window;
}

bool offerDownload(const std::string& name, const std::string& text, std::string& error) {
    if (quellon_page_download(name.c_str(), text.data(), static_cast<int>(text.size())) == 0) {
        error = "the page could not offer " + name + " for download";
        return false;
    }
    return true;
}

}  // namespace quellon
