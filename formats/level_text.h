// The level as text, the form the lab saves and assets/level.txt holds: 64 lines, one per row
// from the top, each the row number in two digits, a space and 64 cells, a full stop for open
// floor and a digit 1..5 for a wall. Read into a level image (each cell a pixel in its code's
// colour, so the level scan reads it as it reads any level image) and written back from a grid.
#pragma once

#include <string>
#include <string_view>

#include "gfx/surface.h"
#include "world/level.h"

namespace quellon {

struct LevelTextResult {
    Surface image;      // kMapSize by kMapSize, one pixel per cell in the cell code's colour
    std::string error;  // empty on success; otherwise one line: where, and what is wrong
    bool ok() const { return error.empty(); }
};

// Reads the text; an error names the line and, within it, the column (both from 1), as in
// "line 10, column 21: 'x' is not a cell (use . or 1-5)". Empty lines are skipped, and lines
// may end in "\r\n".
LevelTextResult levelImageFromText(std::string_view text);

// The grid in the same form; levelImageFromText reads it back to the same cells.
std::string levelText(const WorldMap& worldMap);

// The level image of a grid: each cell a pixel in its code's colour.
Surface levelImageOf(const WorldMap& worldMap);

// Takes the next line off the front of `text` and returns it without its "\n" or "\r\n".
std::string_view takeLine(std::string_view& text);

}  // namespace quellon
