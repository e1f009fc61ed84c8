// quellon-lab: the view as quellon draws it, beside the live ray map of every frame.
#include <array>

#include "app/launch.h"
#include "app/maze_options.h"
#include "formats/file_io.h"
#include "formats/maze_files.h"
#include "lab/lab_panel.h"

namespace quellon {

namespace {

// Saves the maze in the file's own form (by its name), under a temporary name first.
bool saveToFile(const std::string& name, const WorldMap& maze, std::string& error) {
    const std::vector<std::uint8_t> bytes = levelFileBytes(name, maze);
    if (bytes.empty()) {
        error = "cannot encode the maze for " + name;
        return false;
    }
    return writeFileAtomically(name, bytes, error);
}

bool openFile(const std::string& name, Surface& levelImage, std::string& saveName,
              std::string& error) {
    ImageResult level = readLevelFile(name);
    if (!level.ok()) {
        error = level.error;
        return false;
    }
    saveName = saveNameFor(name, level);
    levelImage = std::move(level.image);
    return true;
}

constexpr const char* kLabHelp =
    "Beside the view, the maze from above with the rays of every frame:\n"
    "  point at the view   pick a strip: its ray, the crossings its two walks\n"
    "                      read and its numbers\n"
    "  click the map       paint a cell: open floor and the five walls in turn\n"
    "  wheel               zoom the map\n"
    "  S                   save the maze where the panel says: to the file it\n"
    "                      opened, in that file's form (beside it, NAME-maze.png,\n"
    "                      when that would lose colours), or to lab-level.txt\n"
    "  drop a file         open a maze: a grid, or a level image (.bmp, .png)\n"
    "Change one rule of the picture at a time, and see what it does:\n"
    "  F                   fisheye: distances not corrected for the ray's offset\n"
    "  A                   exact angles: each strip's ray at its own angle\n"
    "  R                   screen rays: through equal steps of a flat screen\n"
    "  T                   textures off and on (plain walls)\n"
    "  W                   strip width: 1, 2, 3, 4, 6, 8, 16 pixels\n"
    "  V                   field of view: 30, 45, 60, 75, 90, 120 degrees\n"
    "Step through a frame:\n"
    "  Space               pause the world and empty the view; again: go on\n"
    "  N                   draw the next strip and its ray (Shift+N: the rest)\n";

// The maze options, and --what-if.
const std::array<ProgramOption, 4>& labOptions() {
    static const std::array<ProgramOption, 4> options = {mazeOptions()[0], mazeOptions()[1],
                                                         mazeOptions()[2], whatIfOption()};
    return options;
}

class LabProgram final : public Program {
  public:
    LabProgram()
        : Program(ProgramDescription{
              .name = "quellon-lab",
              .summary =
                  "quellon's view beside the maze from above, with the rays behind the picture",
              .moreHelp = kLabHelp,
              .options = labOptions()}),
          panel_(&saveToFile, &openFile) {}

    WindowRequest windowRequest() override {
        return WindowRequest{.title = "Quellon Lab", .panel = &panel_};
    }

    // S saves where the maze --level named is kept, if it named one.
    void attach(FrmMain& frm, const StartSettings& start) override {
        panel_.attach(frm);
        if (!start.levelFile.empty()) {
            panel_.opened(start.levelFile, start.saveFile);
        }
    }

  private:
    LabPanel panel_;
};

}  // namespace

Program& thisProgram() {
    static LabProgram program;
    return program;
}

}  // namespace quellon
