// A window that passes every verb on to another window, for test builds that change one thing
// about the real window: they derive from it and override that verb alone.
#pragma once

#include <memory>
#include <string>
#include <utility>

#include "app/launch.h"
#include "platform/window.h"

namespace quellon::testing {

class ForwardingWindow : public Window {
  public:
    explicit ForwardingWindow(std::unique_ptr<Window> inner)
        : Window(WindowRequest{}), inner_(std::move(inner)) {}

    void show() override { inner_->show(); }
    void refresh() override { inner_->refresh(); }
    void yield(WindowEvents& events) override { inner_->yield(events); }
    std::uint32_t GetTickCount() override { return inner_->GetTickCount(); }
    void rest(std::uint32_t untilTick) override { inner_->rest(untilTick); }
    void beep() override { inner_->beep(); }
    void setIcon(const Surface& image) override { inner_->setIcon(image); }
    Surface& drawingSurface() override { return inner_->drawingSurface(); }
    void homeText() override { inner_->homeText(); }
    void print(std::string_view line) override { inner_->print(line); }

  protected:
    Window& inner() { return *inner_; }

  private:
    std::unique_ptr<Window> inner_;
};

// A program like quellon whose window is the real one wrapped in a test window `W`.
template <class W>
class WrappedProgram final : public Program {
  public:
    explicit WrappedProgram(const ProgramDescription& description) : Program(description) {}

    std::unique_ptr<Window> openWindow(const WindowRequest& request, std::string& error) override {
        std::unique_ptr<Window> real = quellon::openWindow(request, error);
        if (!real) {
            return nullptr;
        }
        return std::make_unique<W>(std::move(real));
    }
};

}  // namespace quellon::testing
