// quellon-make-level GRID.txt OUT.bmp|OUT.png: turns a level grid into its level image.
#include <string>

#include "formats/file_format.h"
#include "formats/file_io.h"
#include "formats/maze_files.h"
#include "tools/tool.h"

namespace {

constexpr quellon::Tool kTool{
    "quellon-make-level",
    "usage: quellon-make-level GRID.txt OUT.bmp|OUT.png\n"
    "Writes the level image, as a BMP or a PNG by OUT's ending, for a grid of 64 lines\n"
    "\"RR <64 cells>\", where '.' is open floor and 1..5 are wall codes (assets/level.txt\n"
    "holds the shipped level).\n"};

}  // namespace

int main(int argc, char** argv) {
    if (quellon::Tool::asksForHelp(argc, argv)) {
        return kTool.help();
    }
    if (argc != 3) {
        return kTool.wrongArguments(argc, "GRID.txt OUT.bmp|OUT.png");
    }
    const std::string out = argv[2];
    if (quellon::fileFormatOf(out) == quellon::FileFormat::kGrid) {
        return kTool.fail("OUT must end in .bmp or .png, not \"" + out + "\"");
    }
    const quellon::ImageResult level = quellon::readLevelFile(argv[1]);
    if (!level.ok()) {
        return kTool.fail(level.error);
    }
    quellon::WorldMap grid;
    quellon::scanLevel(grid, level.image);
    std::string error;
    if (!quellon::writeFileAtomically(out, quellon::levelFileBytes(out, grid), error)) {
        return kTool.fail(error);
    }
    return 0;
}
