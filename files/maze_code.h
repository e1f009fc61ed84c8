// A maze as a short text that fits in a link: a version mark, then the cells' codes, row by row
// from the top and each row from the left, one byte each, compressed as raw DEFLATE (zlib) and
// written in the URL-safe base64 alphabet without padding. The page writes and reads the same
// form with the browser's own compression, so a link made by either opens in both.
#pragma once

#include <string>
#include <string_view>

#include "files/maze_files.h"
#include "world/level.h"

namespace quellon {

// The first character of every code of this form; another form would start otherwise.
inline constexpr char kMazeCodeVersion = '1';
// Codes longer than this are refused unread (a maze compresses to well under it).
inline constexpr std::size_t kMaxMazeCodeLength = 8192;

// The code of `worldMap`: only A-Z a-z 0-9 - and _.
std::string mazeCode(const WorldMap& worldMap);

// The level image of the maze a code stands for; an error is one line saying what is wrong.
PictureResult levelFromMazeCode(std::string_view code);

}  // namespace quellon
