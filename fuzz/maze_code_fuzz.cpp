// Fuzzes the reader of maze codes, the text a link carries, with arbitrary text.
//
// Whatever the text, inflating it must stay within its bounds (zlib is asked for at most one
// maze and a byte). The code read from the text (the text itself, or what follows "maze=" in a
// link) is, when accepted, only URL-safe characters after the version mark and
// gives a 64 by 64 image of level colours; the code of the scanned maze reads back to the same
// cells. A refused code gets one line starting "maze code: ".
#include <cstddef>
#include <cstdint>
#include <string>
#include <string_view>

#include "formats/maze_code.h"
#include "formats/maze_deflate.h"
#include "fuzz/fuzz_check.h"
#include "world/level.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::string_view code(reinterpret_cast<const char*>(data), size);
    const quellon::ImageResult level = quellon::levelFromMazeCode(code);
    if (!level.ok()) {
        FUZZ_CHECK(
            level.error.rfind("maze code: ", 0) == 0 && level.error.find('\n') == std::string::npos,
            "refusal \"%s\" is not one line", level.error.c_str());
        return 0;
    }
    // What was read is the code in the text pasted (a bare code, or a link holding one).
    const std::string_view read = quellon::mazeCodeIn(code);
    FUZZ_CHECK(!read.empty() && read.front() == quellon::kMazeCodeVersion &&
                   read.find_first_not_of("ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz"
                                          "0123456789-_") == std::string_view::npos,
               "accepted a code with other characters");
    FUZZ_CHECK(code.find(read) != std::string_view::npos, "read a code that is not in the text");
    FUZZ_CHECK(
        level.image.width() == quellon::kMapSize && level.image.height() == quellon::kMapSize,
        "accepted a %d by %d maze", level.image.width(), level.image.height());
    quellon::WorldMap grid;
    quellon::scanLevel(grid, level.image);
    const quellon::ImageResult again = quellon::levelFromMazeCode(quellon::mazeCode(grid));
    FUZZ_CHECK(again.ok() && again.image == level.image, "the maze's own code does not read back");
    return 0;
}
