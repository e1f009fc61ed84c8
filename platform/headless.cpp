#include "platform/headless.h"

namespace quellon {

HeadlessWindow::HeadlessWindow(int width, int height, PixelFormat format)
    : Window(WindowRequest{}, format) {
    layOut(width, height);
}

void HeadlessWindow::refresh() {
    ++refreshCount_;
    if (closed()) {
        ++refreshesAfterClose_;
    }
    if (keepScreen_) {
        screen_ = drawingSurface();
    }
    if (refreshHook_) {
        refreshHook_(*this, refreshCount_);
    }
}

void HeadlessWindow::print(std::string_view line) {
    ++printCount_;
    lastPrinted_.assign(line);
    Window::print(line);
}

void HeadlessWindow::yield(WindowEvents& events) {
    ++yieldCount_;
    if (yieldHook_) {
        yieldHook_(*this, yieldCount_);
    }
    while (!pending_.empty()) {
        const Event event = pending_.front();
        pending_.pop_front();
        switch (event.kind) {
            case Event::Kind::kKeyDown:
                events.keyDown(event.a, event.b);
                break;
            case Event::Kind::kKeyUp:
                events.keyUp(event.a, event.b);
                break;
            case Event::Kind::kClose:
                close(events);
                break;
            case Event::Kind::kResize:
                layOut(event.a, event.b);
                break;
        }
    }
}

std::uint32_t HeadlessWindow::GetTickCount() {
    return clock_ ? clock_() : ticks_;
}

}  // namespace quellon
