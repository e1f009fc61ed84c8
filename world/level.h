// The level grid: kMapSize by kMapSize cell codes read once from the level image, then only
// read.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>

#include "gfx/surface.h"

namespace quellon {

inline constexpr int kMapSize = 64;
inline constexpr std::int16_t kOpenFloor = 0;
// The wall codes run from first to last; all walls are equally solid and differ only in texture.
inline constexpr std::int16_t kFirstWallCode = 1;
inline constexpr std::int16_t kLastWallCode = 5;
// Open floor and the wall codes: the number of cell codes, and of level colours.
inline constexpr int kCellCodes = kLastWallCode + 1;

class WorldMap {
  public:
    // The cell at column x, row y, both in 0..kMapSize-1; the caller keeps them in range.
    std::int16_t operator()(int x, int y) const { return cells_[index(x, y)]; }
    void set(int x, int y, std::int16_t code) { cells_[index(x, y)] = code; }

    static bool inside(int x, int y) { return x >= 0 && y >= 0 && x < kMapSize && y < kMapSize; }
    // Like operator(), but a cell outside the grid counts as wall, so that a level without a
    // closed outer ring still stops rays and the player at its edge.
    std::int16_t cellOrWall(int x, int y) const { return inside(x, y) ? (*this)(x, y) : kEdgeWall; }

    bool operator==(const WorldMap&) const = default;

  private:
    static constexpr std::int16_t kEdgeWall = 2;
    static constexpr int index(int x, int y) { return y * kMapSize + x; }
    std::array<std::int16_t, std::size_t{kMapSize} * kMapSize> cells_{};
};

// The colour of each cell code in the level image, index = code.
inline constexpr std::array<Colour, kCellCodes> kLevelColours = {
    0x000000,  // open floor: black
    0x00FFFF,  // yellow
    0xFFFFFF,  // white
    0x0000FF,  // red
    0xFF0000,  // blue
    0x00FF00,  // green
};

// Fills the grid from the level image through its pixel read, column by column, each column
// top to bottom. A colour that is none of the six keeps the code of the cell scanned before.
void scanLevel(WorldMap& worldMap, const Surface& levelImage);

}  // namespace quellon
