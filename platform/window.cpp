#include "platform/window.h"

#include <algorithm>

#include "gfx/font.h"

namespace quellon {

Window::Window(const WindowRequest& request)
    : panel_(request.panel), openingWidth_(request.width) {}

void Window::homeText() {
    textX_ = 0;
    textY_ = 0;
}

void Window::print(std::string_view line) {
    font::drawText(drawingSurface(), textX_, textY_, line, kTextColour);
    textY_ += font::kLineHeightPx;
}

void Window::pressKey(WindowEvents& events, int keyCode, int shiftState, bool repeat) {
    events.keyDown(keyCode, shiftState);
    if (panel_ != nullptr && !repeat) {
        panel_->command(keyCode, shiftState);
    }
}

void Window::close(WindowEvents& events) {
    events.closeRequested();
    if (!closed_) {
        closed_ = true;
        leaveScreen();
    }
}

void Window::point(PointerEvent::Kind kind, int x, int y, int wheelSteps) {
    if (panel_ == nullptr) {
        return;
    }
    const int viewWidth = surface_.width();
    const bool overView = x < viewWidth;
    panel_->pointer(PointerEvent{kind,
                                 overView ? PointerEvent::Area::kView : PointerEvent::Area::kPanel,
                                 overView ? x : x - viewWidth, y, wheelSteps});
}

void Window::dropFile(const std::string& path) {
    if (panel_ != nullptr) {
        panel_->fileDropped(path);
    }
}

int Window::panelWidth() const {
    return panel_ != nullptr ? std::max(0, panel_->widthPx()) : 0;
}

void Window::layOut(int width, int height) {
    width = std::max(0, width);
    height = std::max(0, height);
    const int view = std::max(width - panelWidth(), std::min(width, openingWidth_));
    const int panel = width - view;
    if (view != surface_.width() || height != surface_.height()) {
        surface_.resize(view, height, kBackground);
    }
    if (panel_ != nullptr && (panelSurface_.width() != panel || panelSurface_.height() != height)) {
        panelSurface_.resize(panel, height);
    }
}

Surface* Window::drawPanel() {
    if (panel_ == nullptr) {
        return nullptr;
    }
    panel_->draw(panelSurface_);
    return &panelSurface_;
}

}  // namespace quellon
