// quellon: the maze, in its SDL window.
#include "app/launch.h"
#include "platform/sdl_window.h"

namespace quellon {

const Program& thisProgram() {
    static const Program program{
        "quellon", "a first-person view of a walled maze, drawn by ray casting", FrmMain::Options{},
        [](std::string& error) { return openSdlWindow(error); }};
    return program;
}

}  // namespace quellon
