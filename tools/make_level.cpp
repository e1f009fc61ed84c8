// quellon-make-level GRID.txt OUT.bmp: turns the level grid into the level image.
#include <string>

#include "files/file_io.h"
#include "files/maze_files.h"
#include "gfx/bmp.h"
#include "tools/tool.h"

namespace {

constexpr quellon::Tool kTool{
    "quellon-make-level",
    "usage: quellon-make-level GRID.txt OUT.bmp\n"
    "Writes the level image for a grid of 64 lines \"RR <64 cells>\", where '.' is open\n"
    "floor and 1..5 are wall codes (assets/level.txt holds the shipped level).\n"};

}  // namespace

int main(int argc, char** argv) {
    if (quellon::Tool::asksForHelp(argc, argv)) {
        return kTool.help();
    }
    if (argc != 3) {
        return kTool.wrongArguments(argc, "GRID.txt OUT.bmp");
    }
    const quellon::PictureResult level = quellon::readLevelFile(argv[1]);
    if (!level.ok()) {
        return kTool.fail(level.error);
    }
    std::string error;
    if (!quellon::writeFileAtomically(argv[2], quellon::encodeBmp(level.image), error)) {
        return kTool.fail(error);
    }
    return 0;
}
