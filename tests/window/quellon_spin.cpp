// quellon-spin: the real program with a wait that polls throughout instead of resting between
// its yields, to hold the resting wait's pace of ticks against.
#include "app/launch.h"
#include "platform/sdl_window.h"

namespace quellon {

const Program& thisProgram() {
    static const Program program{
        "quellon-spin", "the maze's window with a frame loop whose wait never rests, for tests",
        FrmMain::Options{.restInWait = false},
        [](std::string& error) { return openSdlWindow(error); }};
    return program;
}

}  // namespace quellon
