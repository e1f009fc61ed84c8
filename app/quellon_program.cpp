// quellon: the maze, in its SDL window.
#include "app/launch.h"
#include "app/maze_options.h"
#include "platform/sdl_window.h"

namespace quellon {

const Program& thisProgram() {
    static const auto options = mazeOptions();
    static const Program program{
        .name = "quellon",
        .summary = kQuellonSummary,
        .options = FrmMain::Options{},
        .openWindow = [](std::string& error) { return openSdlWindow(error); },
        .commandOptions = options};
    return program;
}

}  // namespace quellon
