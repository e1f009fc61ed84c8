#include "platform/window.h"

#include "gfx/font.h"

namespace quellon {

int vk::named(std::string_view name) {
    struct Named {
        std::string_view name;
        int code;
    };
    static constexpr Named kKeys[] = {{"left", kLeft}, {"right", kRight}, {"up", kUp},
                                      {"down", kDown}, {"comma", kComma}, {"period", kPeriod}};
    for (const Named& key : kKeys) {
        if (key.name == name) {
            return key.code;
        }
    }
    return 0;
}

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
