// The headless backend: the window verbs on an in-memory drawing surface, a tick counter
// that the test drives, and a script of events that the yields deliver. Nothing is shown.
#pragma once

#include <cstdint>
#include <deque>
#include <functional>
#include <string>
#include <vector>

#include "platform/window.h"
#include "render/raycast.h"

namespace quellon {

class HeadlessWindow final : public Window {
  public:
    struct Event {
        enum class Kind { kKeyDown, kKeyUp, kClose, kResize };
        Kind kind;
        int a = 0;  // key code, or new width
        int b = 0;  // shift state, or new height
    };

    // Called at every GetTickCount; returns the reading. The default counter stands still
    // until a test moves it.
    using Clock = std::function<std::uint32_t()>;
    // Called at the start of every yield, before the queued events are delivered, with the
    // number of yields so far (1 for the first). Tests use it to advance the clock, queue
    // events or look at the surface at a precise moment.
    using YieldHook = std::function<void(HeadlessWindow&, long yieldNumber)>;
    // Called at every refresh, after the frame is counted, with the number of refreshes.
    using RefreshHook = std::function<void(HeadlessWindow&, long refreshNumber)>;

    // A window whose drawing surface is `width` by `height`, the opening size unless given, its
    // pixels kept in `format`.
    explicit HeadlessWindow(int width = kOpeningWidthPx, int height = kOpeningHeightPx,
                            PixelFormat format = PixelFormat::kXbgr);

    void show() override { ++showCount_; }
    void refresh() override;
    void print(std::string_view line) override;
    void yield(WindowEvents& events) override;
    std::uint32_t GetTickCount() override;
    // Returns at once, as the clock moves only by hand; notes what it was asked.
    void rest(std::uint32_t untilTick) override {
        ++restCount_;
        lastRestUntil_ = untilTick;
    }
    void beep() override { ++beepCount_; }
    void setIcon(const Surface& /*image*/) override {}  // nothing is shown, icons included

    // Test controls.
    void setTicks(std::uint32_t ticks) { ticks_ = ticks; }
    void advanceTicks(std::uint32_t ms) { ticks_ += ms; }
    std::uint32_t ticks() const { return ticks_; }
    void setClock(Clock clock) { clock_ = std::move(clock); }
    void setYieldHook(YieldHook hook) { yieldHook_ = std::move(hook); }
    void setRefreshHook(RefreshHook hook) { refreshHook_ = std::move(hook); }
    void queue(Event event) { pending_.push_back(event); }
    void queueKeyDown(int code, int shift = 0) { queue({Event::Kind::kKeyDown, code, shift}); }
    void queueKeyUp(int code, int shift = 0) { queue({Event::Kind::kKeyUp, code, shift}); }
    void queueClose() { queue({Event::Kind::kClose}); }
    void queueResize(int width, int height) { queue({Event::Kind::kResize, width, height}); }
    // Resizes at once, as if the window had been created at that size.
    void resize(int width, int height) { layOut(width, height); }

    // What happened.
    int showCount() const { return showCount_; }
    int beepCount() const { return beepCount_; }
    long yieldCount() const { return yieldCount_; }
    long refreshCount() const { return refreshCount_; }
    long restCount() const { return restCount_; }
    std::uint32_t lastRestUntil() const { return lastRestUntil_; }
    bool closed() const { return Window::closed(); }
    // Refreshes after the window went off screen (a frame drawn after a granted close).
    long refreshesAfterClose() const { return refreshesAfterClose_; }
    // The last line printed, and how many were.
    const std::string& lastPrinted() const { return lastPrinted_; }
    long printCount() const { return printCount_; }
    // The drawing surface as last refreshed: what the screen shows.
    const Surface& screen() const { return screen_; }
    // Keeps a copy of the surface at every refresh (off by default: it costs a copy).
    void keepScreen(bool keep) { keepScreen_ = keep; }

  private:
    std::uint32_t ticks_ = 0;
    Clock clock_;
    YieldHook yieldHook_;
    RefreshHook refreshHook_;
    std::string lastPrinted_;
    long printCount_ = 0;
    std::deque<Event> pending_;
    int showCount_ = 0;
    int beepCount_ = 0;
    long yieldCount_ = 0;
    long refreshCount_ = 0;
    long restCount_ = 0;
    std::uint32_t lastRestUntil_ = 0;
    long refreshesAfterClose_ = 0;
    bool keepScreen_ = false;
    Surface screen_;
};

}  // namespace quellon
