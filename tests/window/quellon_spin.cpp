// quellon-spin: the real program with a wait that polls throughout instead of resting between
// its yields, to hold the resting wait's pace of ticks against.
#include "tests/window/forwarding_window.h"

namespace quellon {

namespace {

class SpinningWindow final : public testing::ForwardingWindow {
  public:
    using ForwardingWindow::ForwardingWindow;
    void rest(std::uint32_t /*untilTick*/) override {}
};

}  // namespace

Program& thisProgram() {
    static testing::WrappedProgram<SpinningWindow> program(ProgramDescription{
        "quellon-spin", "the maze's window with a frame loop whose wait never rests, for tests"});
    return program;
}

}  // namespace quellon
