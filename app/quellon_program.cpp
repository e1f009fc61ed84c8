// quellon: the maze, in its SDL window.
#include "app/launch.h"
#include "platform/sdl_window.h"

namespace quellon {

const Program& thisProgram() {
    static const Program program{"quellon", kQuellonSummary, FrmMain::Options{},
                                 [](std::string& error) { return openSdlWindow(error); }};
    return program;
}

}  // namespace quellon
