// Maze codes packed and unpacked with zlib's raw DEFLATE, for the desktop programs and the
// tools. The page packs with the browser's own streams; the rest of the form is maze_code.h.
#pragma once

#include <string>
#include <string_view>

#include "formats/level_image.h"
#include "world/level.h"

namespace quellon {

// The code of `worldMap`: only A-Z a-z 0-9 - and _.
std::string mazeCode(const WorldMap& worldMap);

// The level image of the maze a code stands for; an error is one line saying what is wrong.
// Unpacking stops at one maze and a byte, however the code was made.
ImageResult levelFromMazeCode(std::string_view code);

}  // namespace quellon
