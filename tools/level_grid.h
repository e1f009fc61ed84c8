// The level as text: 64 lines "RR <64 cells>", a full stop for open floor and a digit 1..5
// for a wall, turned into the level image that the program carries, and a grid written back
// as such text.
#pragma once

#include <string>
#include <string_view>

#include "gfx/surface.h"
#include "world/level.h"

namespace quellon {

struct LevelGridResult {
    Surface image;      // 64 by 64, one pixel per cell in the cell code's colour
    std::string error;  // empty on success; otherwise names the line and what is wrong
    bool ok() const { return error.empty(); }
};

LevelGridResult levelImageFromGrid(std::string_view text);

// The same, read from the file `path`; a failure names the file.
LevelGridResult levelImageFromGridFile(const std::string& path);

// The grid as text in the same form; levelImageFromGrid reads it back to the same cells.
std::string levelGridText(const WorldMap& worldMap);

}  // namespace quellon
