// The verbs the program asks of its window system: the one window with its persistent drawing
// surface, the events it delivers, the millisecond counter and the beep. A backend (SDL for the
// desktop, Win32, the browser, the headless one for tests) is chosen by what a program links;
// each only translates its system's events and verbs. What every window does alike (closing,
// hosting a panel beside the view, handing key presses on, the text) is done here, once.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <string_view>

#include "gfx/surface.h"
#include "platform/side_panel.h"

namespace quellon {

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

// What a program asks of its window when it opens: the title, the drawing surface's size at
// start, and a panel beside it, if the program has one.
struct WindowRequest {
    const char* title = "Quellon";
    int width = 0;
    int height = 0;
    SidePanel* panel = nullptr;
};

class Window {
  public:
    static constexpr Colour kBackground = kBlack;
    static constexpr Colour kTextColour = kWhite;

    virtual ~Window() = default;
    Window(const Window&) = delete;
    Window& operator=(const Window&) = delete;

    // Start-up: makes the window visible; returns at once.
    virtual void show() = 0;
    // Frame loop: puts the drawing surface's current image (and the panel's) on screen now,
    // without waiting for a vertical blank.
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
    virtual Surface& drawingSurface() { return surface_; }
    float clientWidth() { return static_cast<float>(drawingSurface().width()); }
    float clientHeight() { return static_cast<float>(drawingSurface().height()); }

    // Frame loop, at the clear: puts the text position back at the top-left corner. (The
    // view drawer writes the whole drawing surface each frame, background included.)
    virtual void homeText();
    // Draws one line in the text colour at the text position (glyph pixels only; the
    // background shows between them) and moves the text position to the next line.
    virtual void print(std::string_view line);

  protected:
    // The panel of the request, if any, is shown beside the drawing surface; both surfaces keep
    // their pixels in `format`, the memory the window system shows.
    explicit Window(const WindowRequest& request, PixelFormat format = PixelFormat::kXbgr);

    // Backends hand every key press here: the main window gets each one, the window system's
    // auto-repeats included (a repeat changes nothing there), and the panel, if any, gets it as
    // a command only when the key has just gone down.
    void pressKey(WindowEvents& events, int keyCode, int shiftState, bool repeat);
    // Backends hand every close request here: it is granted, and the first one takes the window
    // off the screen (leaveScreen); the loop ends at the top of its next pass.
    void close(WindowEvents& events);
    bool closed() const { return closed_; }
    // The pointer at (x, y) of the client area: the panel, if any, gets it in the coordinates
    // of the area it is over, the view or the panel.
    void point(PointerEvent::Kind kind, int x, int y, int wheelSteps = 0);
    // A file dropped on the window: the panel, if any, opens it.
    void dropFile(const std::string& path);
    // The client area is now `width` by `height`: the drawing surface takes what the panel's
    // width leaves, but never less than the width it opened at while the window has it; the
    // panel, on the right, takes the rest (cleared to the background).
    void layOut(int width, int height);
    // For a backend whose window shows memory the program can draw into: the surfaces keep
    // their pixels in `format` from now on.
    void useFormat(PixelFormat format);
    // The drawing surface and the panel lie in the memory of `pixels` from now on, rows `stride`
    // words apart: the view at the left of each row, the panel beside it, sized as layOut left
    // them. Null: they keep pixels of their own again.
    void drawIn(Colour* pixels, int stride);
    // At refresh: the panel, drawn for this frame; null for a window without one.
    Surface* drawPanel();
    int panelWidth() const;
    Surface& panelSurface() { return panelSurface_; }

    // Takes the window off the screen once a close request is granted.
    virtual void leaveScreen() {}

  private:
    SidePanel* panel_ = nullptr;
    int openingWidth_ = 0;
    PixelFormat format_;
    Surface surface_;
    Surface panelSurface_;
    int textX_ = 0;
    int textY_ = 0;
    bool closed_ = false;
};

// Opens the window of the backend the program is built with, hidden, its drawing surface of
// the size asked for with the panel, if any, to its right. On failure returns null and says why
// in `error`, in one line. Each backend library defines it.
std::unique_ptr<Window> openWindow(const WindowRequest& request, std::string& error);

}  // namespace quellon
