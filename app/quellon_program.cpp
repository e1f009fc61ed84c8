// quellon: the maze, in its window.
#include "app/launch.h"
#include "app/maze_options.h"

namespace quellon {

Program& thisProgram() {
    static Program program(ProgramDescription{
        .name = "quellon", .summary = kQuellonSummary, .options = mazeOptions()});
    return program;
}

}  // namespace quellon
