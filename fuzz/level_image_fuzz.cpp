// Fuzzes the way a level file becomes a level image, BMP and PNG included. The first byte picks
// the file's name (ending in .bmp, .png or .txt), the rest are its bytes.
//
// Whatever the bytes, the readers (our BMP decoder, libpng behind the PNG reader, the text
// reader) must not read outside them or misbehave, which the sanitizers watch. An accepted file
// gives a 64 by 64 image; a refused one a single line that starts with the file's name. An
// accepted level written again in the file's form (grid, BMP or PNG) reads back to the same
// cells.
#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "formats/maze_files.h"
#include "fuzz/fuzz_check.h"
#include "world/level.h"

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    if (size == 0) {
        return 0;
    }
    static const std::string kNames[] = {"maze.bmp", "maze.png", "maze.txt"};
    const std::string& name = kNames[data[0] % 3];
    const std::span<const std::uint8_t> bytes(data + 1, size - 1);
    const quellon::ImageResult level = quellon::levelFromBytes(name, bytes);
    if (!level.ok()) {
        FUZZ_CHECK(
            level.error.rfind(name + ": ", 0) == 0 && level.error.find('\n') == std::string::npos,
            "refusal \"%s\" is not one line naming %s", level.error.c_str(), name.c_str());
        return 0;
    }
    FUZZ_CHECK(
        level.image.width() == quellon::kMapSize && level.image.height() == quellon::kMapSize,
        "accepted a %d by %d level image", level.image.width(), level.image.height());
    quellon::WorldMap grid;
    quellon::scanLevel(grid, level.image);
    const quellon::ImageResult again =
        quellon::levelFromBytes(name, quellon::levelFileBytes(name, grid));
    FUZZ_CHECK(again.ok(), "the level written as %s does not read back: %s", name.c_str(),
               again.error.c_str());
    quellon::WorldMap back;
    quellon::scanLevel(back, again.image);
    FUZZ_CHECK(back == grid, "the level written as %s reads back to other cells", name.c_str());
    return 0;
}
