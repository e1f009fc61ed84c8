// A maze as a short text that fits in a link, apart from its compression: a version mark, then
// the cells' codes packed (raw DEFLATE, which the desktop makes with zlib and the page with the
// browser's own streams) and written in the URL-safe base64 alphabet without padding. The cells
// are one byte each, its code, row by row from the top and each row from the left.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "formats/level_image.h"
#include "world/level.h"

namespace quellon {

// The first character of every code of this form; another form would start otherwise.
inline constexpr char kMazeCodeVersion = '1';
// Codes longer than this are refused unread (a maze packs into well under it).
inline constexpr std::size_t kMaxMazeCodeLength = 8192;
inline constexpr std::size_t kMazeCells = std::size_t{kMapSize} * kMapSize;
// What a code is called in what is said of it, and what is said of one whose packed cells do
// not unpack.
inline constexpr const char* kMazeCodeName = "maze code";
inline constexpr const char* kDamagedMazeCode = "maze code: it is damaged or cut short";

// The cells of `worldMap`, in the code's order.
std::vector<std::uint8_t> mazeCells(const WorldMap& worldMap);

// The code of packed cells: the version mark, then A-Z a-z 0-9 - and _ only.
std::string mazeCodeOf(std::span<const std::uint8_t> packed);

// The code in what a person pasted: a bare code, "#maze=CODE", or a whole link holding it, with
// any spaces around it left out.
std::string_view mazeCodeIn(std::string_view pasted);

// The packed cells of a code (or of a link holding one, as mazeCodeIn reads it); false with one
// line in `error` ("maze code: ...").
bool packedOfMazeCode(std::string_view pasted, std::vector<std::uint8_t>& packed,
                      std::string& error);

// The level image of unpacked cells, a maze to walk; an error says what is wrong with them
// ("maze code: ..."). `runsOn` says that the unpacking found more than a maze's cells.
ImageResult levelFromMazeCells(std::span<const std::uint8_t> cells, bool runsOn = false);

}  // namespace quellon
