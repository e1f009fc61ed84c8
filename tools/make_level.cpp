// quellon-make-level GRID.txt OUT.bmp: turns the level grid into the level image.
#include <cstdio>
#include <cstring>
#include <string>

#include "gfx/bmp.h"
#include "tools/file_io.h"
#include "tools/level_grid.h"

namespace {

constexpr const char* kUsage =
    "usage: quellon-make-level GRID.txt OUT.bmp\n"
    "Writes the level image for a grid of 64 lines \"RR <64 cells>\", where '.' is open\n"
    "floor and 1..5 are wall codes (assets/level.txt holds the shipped level).\n";

int fail(const std::string& message) {
    (void)std::fprintf(stderr, "quellon-make-level: %s\n", message.c_str());
    return 2;
}

}  // namespace

int main(int argc, char** argv) {
    if (argc == 2 && std::strcmp(argv[1], "--help") == 0) {
        (void)std::fputs(kUsage, stdout);
        return 0;
    }
    if (argc != 3) {
        (void)std::fputs(kUsage, stderr);
        return 2;
    }
    const auto grid = quellon::levelImageFromGridFile(argv[1]);
    if (!grid.ok()) {
        return fail(grid.error);
    }
    std::string error;
    if (!quellon::writeFileAtomically(argv[2], quellon::encodeBmp(grid.image), error)) {
        return fail(error);
    }
    return 0;
}
