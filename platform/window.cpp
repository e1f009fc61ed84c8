#include "platform/window.h"

#include <algorithm>

#include "gfx/font.h"

namespace quellon {

Window::Window(const WindowRequest& request, PixelFormat format)
    : panel_(request.panel),
      openingWidth_(request.width),
      format_(format),
      surface_(0, 0, kBackground, format),
      panelSurface_(0, 0, kBackground, format) {}

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

void Window::useFormat(PixelFormat format) {
    if (format != format_) {
        format_ = format;
        surface_ = Surface(surface_.width(), surface_.height(), kBackground, format);
        panelSurface_ = Surface(panelSurface_.width(), panelSurface_.height(), kBackground, format);
    }
}

void Window::drawIn(Colour* pixels, int stride) {
    const int view = surface_.width();
    const int panel = panelSurface_.width();
    const int height = surface_.height();
    if (pixels == nullptr) {
        if (!surface_.ownsPixels()) {
            surface_ = Surface(view, height, kBackground, format_);
        }
        if (!panelSurface_.ownsPixels()) {
            panelSurface_ = Surface(panel, height, kBackground, format_);
        }
        return;
    }
    surface_ = Surface::over(pixels, view, height, stride, format_);
    panelSurface_ = Surface::over(pixels + view, panel, height, stride, format_);
}

Surface* Window::drawPanel() {
    if (panel_ == nullptr) {
        return nullptr;
    }
    panel_->draw(panelSurface_);
    return &panelSurface_;
}

}  // namespace quellon
