#include "platform/window.h"

#include "gfx/font.h"

namespace quellon {

Window::Window() : surface_(kClientWidthPx, kClientHeightPx, kBackground) {}

void Window::homeText() {
    textX_ = 0;
    textY_ = 0;
}

void Window::print(std::string_view line) {
    font::drawText(surface_, textX_, textY_, line, kTextColour);
    textY_ += font::kLineHeightPx;
}

void Window::pressKey(WindowEvents& events, SidePanel* panel, int keyCode, int shiftState,
                      bool repeat) {
    events.keyDown(keyCode, shiftState);
    if (panel != nullptr && !repeat) {
        panel->command(keyCode, shiftState);
    }
}

void Window::resizeSurface(int width, int height) {
    if (width != surface_.width() || height != surface_.height()) {
        surface_.resize(width, height, kBackground);
    }
}

}  // namespace quellon
