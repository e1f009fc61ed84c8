// quellon_startup: how long the real program takes from process start to its first frame on
// screen, beside the first frame's own cost. It runs the real start-up and frame loop on the
// SDL window, notes the times of the window's first calls, and closes after the first frame.
//   build/bench/quellon_startup        (needs a display, e.g. Xvfb)
#include <time.h>

#include <chrono>
#include <cstdio>
#include <fstream>
#include <memory>
#include <string>

#include "app/launch.h"

namespace {

using Clock = std::chrono::steady_clock;

// Milliseconds since this process was started, from the kernel's record of its start.
double msSinceProcessStart() {
    std::ifstream stat("/proc/self/stat");
    std::string text((std::istreambuf_iterator<char>(stat)), std::istreambuf_iterator<char>());
    // Field 22 (start time in clock ticks since boot) comes after the command's closing ')'.
    std::size_t at = text.rfind(')');
    for (int field = 2; field < 22 && at != std::string::npos; ++field) {
        at = text.find(' ', at + 1);
    }
    if (at == std::string::npos) {
        return -1;
    }
    const double startTicks = std::stod(text.substr(at + 1));
    timespec now{};
    clock_gettime(CLOCK_BOOTTIME, &now);
    const double nowMs =
        static_cast<double>(now.tv_sec) * 1e3 + static_cast<double>(now.tv_nsec) / 1e6;
    return nowMs - startTicks * 1e3 / static_cast<double>(sysconf(_SC_CLK_TCK));
}

// Passes every verb on to the real window and notes when start-up's steps happen.
class TimedWindow final : public quellon::Window {
  public:
    explicit TimedWindow(std::unique_ptr<quellon::Window> inner)
        : Window(quellon::WindowRequest{}), inner_(std::move(inner)) {}

    void show() override {
        shown_ = Clock::now();
        inner_->show();
    }
    void beep() override {
        const auto start = Clock::now();
        inner_->beep();
        beepMs_ = ms(start, Clock::now());
        beepDone_ = Clock::now();
    }
    quellon::Surface& drawingSurface() override { return inner_->drawingSurface(); }
    void homeText() override { inner_->homeText(); }
    void print(std::string_view line) override { inner_->print(line); }
    void refresh() override {
        inner_->refresh();
        if (refreshes_++ == 0) {
            firstFrameMs_ = ms(beepDone_, Clock::now());
            sinceStartMs_ = msSinceProcessStart();
            sinceShowMs_ = ms(shown_, Clock::now());
            closeAfterFrame_ = true;
        }
    }
    void yield(quellon::WindowEvents& events) override {
        inner_->yield(events);
        if (closeAfterFrame_) {
            closeAfterFrame_ = false;
            events.closeRequested();
        }
    }
    std::uint32_t GetTickCount() override { return inner_->GetTickCount(); }
    void rest(std::uint32_t untilTick) override { inner_->rest(untilTick); }
    void setIcon(const quellon::Surface& image) override { inner_->setIcon(image); }

    void report() const {
        std::printf("process start to first frame on screen: %.1f ms\n", sinceStartMs_);
        std::printf("show to first frame on screen:           %.1f ms\n", sinceShowMs_);
        std::printf("first frame's own cost (clear, cast, text, refresh): %.2f ms\n",
                    firstFrameMs_);
        std::printf("beep call:                               %.2f ms\n", beepMs_);
    }

  private:
    static double ms(Clock::time_point from, Clock::time_point to) {
        return std::chrono::duration<double, std::milli>(to - from).count();
    }

    std::unique_ptr<quellon::Window> inner_;
    Clock::time_point shown_;
    Clock::time_point beepDone_;
    double beepMs_ = 0;
    double firstFrameMs_ = 0;
    double sinceStartMs_ = 0;
    double sinceShowMs_ = 0;
    long refreshes_ = 0;
    bool closeAfterFrame_ = false;
};

}  // namespace

namespace quellon {

namespace {

class StartupProgram final : public Program {
  public:
    StartupProgram()
        : Program(ProgramDescription{
              "quellon_startup",
              "the maze's start-up timed from process start to the first frame on screen"}) {}

    std::unique_ptr<Window> openWindow(const WindowRequest& request, std::string& error) override {
        auto real = quellon::openWindow(request, error);
        if (!real) {
            return nullptr;
        }
        return std::make_unique<TimedWindow>(std::move(real));
    }
    void afterRun(Window& window) override { static_cast<const TimedWindow&>(window).report(); }
};

}  // namespace

Program& thisProgram() {
    static StartupProgram program;
    return program;
}

}  // namespace quellon
