#include "tools/level_grid.h"

#include <charconv>

#include "tools/file_io.h"
#include "tools/text_lines.h"
#include "world/level.h"

namespace quellon {

namespace {

LevelGridResult failure(int lineNumber, const std::string& why) {
    return {Surface{}, "line " + std::to_string(lineNumber) + ": " + why};
}

}  // namespace

LevelGridResult levelImageFromGrid(std::string_view text) {
    LevelGridResult result{Surface(kMapSize, kMapSize), {}};
    int row = 0;
    int lineNumber = 0;
    while (!text.empty()) {
        const std::string_view line = takeLine(text);
        ++lineNumber;
        if (line.empty()) {
            continue;
        }
        if (row == kMapSize) {
            return failure(lineNumber, "more than 64 rows");
        }
        const std::size_t space = line.find(' ');
        int number = -1;
        if (space == std::string_view::npos ||
            std::from_chars(line.data(), line.data() + space, number).ptr != line.data() + space ||
            number != row) {
            return failure(lineNumber,
                           "expected the row number " + std::to_string(row) + " and a space");
        }
        const std::string_view cells = line.substr(space + 1);
        if (cells.size() != kMapSize) {
            return failure(lineNumber,
                           "row has " + std::to_string(cells.size()) + " cells, not 64");
        }
        for (int x = 0; x < kMapSize; ++x) {
            const char c = cells[x];
            int code = 0;
            if (c == '.') {
                code = kOpenFloor;
            } else if (c >= '1' && c <= '0' + kLastWallCode) {
                code = c - '0';
            } else {
                return failure(lineNumber, std::string("cell ") + std::to_string(x) + " is '" + c +
                                               "', not '.' or 1..5");
            }
            // code is 0..5 and kLevelColours has six entries; cppcheck 2.10 misreads the
            // array's size, kCellCodes, when the names are not qualified.
            // cppcheck-suppress containerOutOfBounds
            result.image.set(x, row, kLevelColours[code]);
        }
        ++row;
    }
    if (row != kMapSize) {
        return failure(lineNumber, "only " + std::to_string(row) + " rows, not 64");
    }
    return result;
}

LevelGridResult levelImageFromGridFile(const std::string& path) {
    std::string error;
    const auto text = readFile(path, error);
    if (!text) {
        return {Surface{}, error};
    }
    LevelGridResult grid = levelImageFromGrid(
        std::string_view(reinterpret_cast<const char*>(text->data()), text->size()));
    if (!grid.ok()) {
        grid.error = path + ": " + grid.error;
    }
    return grid;
}

std::string levelGridText(const WorldMap& worldMap) {
    std::string text;
    for (int row = 0; row < kMapSize; ++row) {
        text += static_cast<char>('0' + row / 10);
        text += static_cast<char>('0' + row % 10);
        text += ' ';
        for (int column = 0; column < kMapSize; ++column) {
            const std::int16_t code = worldMap(column, row);
            text += code == kOpenFloor ? '.' : static_cast<char>('0' + code);
        }
        text += '\n';
    }
    return text;
}

}  // namespace quellon
