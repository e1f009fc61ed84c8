// quellon-blank: the real program with the view left undrawn, for the window tests that look
// at the window itself and for measuring what the frame loop alone allows.
#include "app/launch.h"
#include "platform/sdl_window.h"

namespace quellon {

const Program& thisProgram() {
    static const Program program{
        "quellon-blank", "the maze's window and frame loop with the view left undrawn, for tests",
        FrmMain::Options{.drawView = false},
        [](std::string& error) { return openSdlWindow(error); }};
    return program;
}

}  // namespace quellon
