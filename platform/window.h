// The verbs the program asks of its window system: the one window with its persistent
// drawing surface, the events it delivers, the millisecond counter and the beep. A backend
// (the SDL window for people, the headless one for tests) is chosen by what a program links.
#pragma once

#include <cstdint>
#include <string_view>

#include "gfx/surface.h"
#include "platform/side_panel.h"

namespace quellon {

// Windows virtual-key codes, the numbering in which key events arrive.
namespace vk {
inline constexpr int kShift = 16;
inline constexpr int kLeft = 37;
inline constexpr int kUp = 38;
inline constexpr int kRight = 39;
inline constexpr int kDown = 40;
inline constexpr int kComma = 188;
inline constexpr int kPeriod = 190;

// The movement keys by the names scripts and pages give them: left, right, up, down, comma and
// period; 0 for any other name.
int named(std::string_view name);
}  // namespace vk

// Shift-state bits that accompany key events.
inline constexpr int kShiftMask = 1;
inline constexpr int kCtrlMask = 2;
inline constexpr int kAltMask = 4;

// The start-up beep, as every backend sounds it: a short square tone.
inline constexpr int kBeepHz = 880;
inline constexpr int kBeepMs = 120;
inline constexpr double kBeepVolume = 0.25;  // of full scale

// Receives the window's events; only ever called from inside Window::yield.
class WindowEvents {
  public:
    virtual void keyDown(int keyCode, int shiftState) = 0;
    virtual void keyUp(int keyCode, int shiftState) = 0;
    // The user (or the window manager) asks the window to close; it is always granted.
    virtual void closeRequested() = 0;

  protected:
    ~WindowEvents() = default;
};

class Window {
  public:
    static constexpr int kClientWidthPx = 307;
    static constexpr int kClientHeightPx = 285;
    static constexpr Colour kBackground = kBlack;
    static constexpr Colour kTextColour = kWhite;

    Window();
    virtual ~Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Start-up: makes the window visible; returns at once.
    virtual void show() = 0;
    // Frame loop: puts the drawing surface's current image on screen now, without waiting
    // for a vertical blank.
    virtual void refresh() = 0;
    // Frame loop wait and end of every tick: hands every pending event to `events`, in the
    // order they came, then returns. A resize makes the drawing surface follow the client
    // area (cleared to the background); a close request also takes the window off screen.
    virtual void yield(WindowEvents& events) = 0;
    // Frame loop timing: milliseconds as a 32-bit counter that wraps; only differences of
    // two readings mean anything.
    virtual std::uint32_t GetTickCount() = 0;
    // Frame loop wait, after each of its yields: sleeps until an event is waiting or until
    // just before GetTickCount would read `untilTick`, whichever comes first, so that the wait
    // polls only for its last moments. A reading already at or past it returns at once. A
    // backend that cannot sleep that precisely keeps this one, which returns at once: the
    // wait then polls throughout, as it does for the headless window's hand-driven clock.
    virtual void rest(std::uint32_t untilTick) { (void)untilTick; }
    // Start-up: one short audible beep; returns at once and never fails.
    virtual void beep() = 0;
    // Launch, before show: the picture the window system shows for the window (in its title
    // bar, its task switcher). The backend keeps its own copy. A picture the window system
    // cannot take leaves its default one: an icon is never worth failing over.
    virtual void setIcon(const Surface& image) = 0;

    // The persistent drawing surface: the client area's size, read live by the renderer.
    Surface& drawingSurface() { return surface_; }
    const Surface& drawingSurface() const { return surface_; }
    float clientWidth() const { return static_cast<float>(surface_.width()); }
    float clientHeight() const { return static_cast<float>(surface_.height()); }

    // Frame loop, at the clear: puts the text position back at the top-left corner. (The
    // view drawer writes the whole drawing surface each frame, background included.)
    void homeText();
    // Draws one line in the text colour at the text position (glyph pixels only; the
    // background shows between them) and moves the text position to the next line.
    virtual void print(std::string_view line);

  protected:
    // Backends call this when the client area changes size.
    void resizeSurface(int width, int height);
    // Backends hand every key press here: the main window gets each one, the window system's
    // auto-repeats included (a repeat changes nothing there), and the panel, if any, gets it as
    // a command only when the key has just gone down.
    static void pressKey(WindowEvents& events, SidePanel* panel, int keyCode, int shiftState,
                         bool repeat);

  private:
    Surface surface_;
    int textX_ = 0;
    int textY_ = 0;
};

// What a program asks of its window when it opens: the title, the drawing surface's size at
// start, and a panel beside it, if the program has one.
struct WindowRequest {
    const char* title = "Quellon";
    int width = Window::kClientWidthPx;
    int height = Window::kClientHeightPx;
    SidePanel* panel = nullptr;
};

}  // namespace quellon
