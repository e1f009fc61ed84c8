// quellon-blank: the real program with the view left undrawn, for the window tests that look
// at the window itself and for measuring what the frame loop alone allows. The main window
// draws its view into a surface nobody shows; the window shows the background and the text.
#include "tests/window/forwarding_window.h"

namespace quellon {

namespace {

class BlankWindow final : public testing::ForwardingWindow {
  public:
    using ForwardingWindow::ForwardingWindow;

    Surface& drawingSurface() override {
        const Surface& real = inner().drawingSurface();
        if (unseen_.width() != real.width() || unseen_.height() != real.height()) {
            unseen_.resize(real.width(), real.height());
        }
        return unseen_;
    }
    // The text goes on the real surface, cleared to the background for it at every frame.
    void homeText() override {
        inner().drawingSurface().fill(kBackground);
        inner().homeText();
    }

  private:
    Surface unseen_;
};

}  // namespace

Program& thisProgram() {
    static testing::WrappedProgram<BlankWindow> program(ProgramDescription{
        "quellon-blank", "the maze's window and frame loop with the view left undrawn, for tests"});
    return program;
}

}  // namespace quellon
