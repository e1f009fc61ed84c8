#include "formats/level_text.h"

#include <cstdio>

#include "text/one_line.h"

namespace quellon {

namespace {

constexpr int kRowDigits = 2;
constexpr int kCellsColumn = kRowDigits + 2;  // where the first cell stands, counted from 1

// A byte of the text as a message shows it: one byte of a character beyond ASCII is no character
// on its own, so it is written as \xHH, as control characters are.
std::string shown(char c) {
    const auto byte = static_cast<unsigned char>(c);
    if (byte < 0x80) {
        return escapeControls(std::string_view(&c, 1));
    }
    char hex[8];
    (void)std::snprintf(hex, sizeof hex, "\\x%02x", byte);
    return hex;
}

std::string rowNumber(int row) {
    char digits[8];
    (void)std::snprintf(digits, sizeof digits, "%0*d", kRowDigits, row);
    return digits;
}

LevelTextResult failure(int line, int column, const std::string& why) {
    std::string where = "line " + std::to_string(line);
    if (column > 0) {
        where += ", column " + std::to_string(column);
    }
    return {Surface{}, where + ": " + why};
}

// The code a character stands for, or -1.
int codeOf(char c) {
    if (c == '.') {
        return kOpenFloor;
    }
    if (c >= '0' + kFirstWallCode && c <= '0' + kLastWallCode) {
        return c - '0';
    }
    return -1;
}

}  // namespace

std::string_view takeLine(std::string_view& text) {
    const std::size_t end = text.find('\n');
    std::string_view line = text.substr(0, end);
    text = end == std::string_view::npos ? std::string_view{} : text.substr(end + 1);
    if (!line.empty() && line.back() == '\r') {
        line.remove_suffix(1);
    }
    return line;
}

LevelTextResult levelImageFromText(std::string_view text) {
    LevelTextResult result{Surface(kMapSize, kMapSize), {}};
    int row = 0;
    int lineNumber = 0;
    while (!text.empty()) {
        const std::string_view line = takeLine(text);
        ++lineNumber;
        if (line.empty()) {
            continue;
        }
        if (row == kMapSize) {
            return failure(lineNumber, 0, "more than " + std::to_string(kMapSize) + " rows");
        }
        std::string prefix = rowNumber(row);
        prefix += ' ';
        for (std::size_t i = 0; i < prefix.size(); ++i) {
            if (i >= line.size() || line[i] != prefix[i]) {
                return failure(lineNumber, static_cast<int>(i) + 1,
                               "expected the row number " + rowNumber(row) + " and a space");
            }
        }
        const std::string_view cells = line.substr(prefix.size());
        for (std::size_t x = 0; x < cells.size() && x < kMapSize; ++x) {
            const int code = codeOf(cells[x]);
            if (code < 0) {
                std::string why = "'";
                why += shown(cells[x]);
                why += "' is not a cell (use . or 1-5)";
                return failure(lineNumber, kCellsColumn + static_cast<int>(x), why);
            }
            result.image.set(static_cast<int>(x), row, kLevelColours.at(code));
        }
        if (cells.size() != kMapSize) {
            return failure(lineNumber, 0,
                           "row " + rowNumber(row) + " has " + std::to_string(cells.size()) +
                               " cells, not " + std::to_string(kMapSize));
        }
        ++row;
    }
    if (row != kMapSize) {
        return failure(lineNumber + 1, 0,
                       "the text ends after " + std::to_string(row) + " rows, not " +
                           std::to_string(kMapSize));
    }
    return result;
}

std::string levelText(const WorldMap& worldMap) {
    std::string text;
    text.reserve(static_cast<std::size_t>(kMapSize) * (kCellsColumn + kMapSize));
    for (int row = 0; row < kMapSize; ++row) {
        text += rowNumber(row);
        text += ' ';
        for (int column = 0; column < kMapSize; ++column) {
            const std::int16_t code = worldMap(column, row);
            text += code == kOpenFloor ? '.' : static_cast<char>('0' + code);
        }
        text += '\n';
    }
    return text;
}

Surface levelImageOf(const WorldMap& worldMap) {
    Surface image(kMapSize, kMapSize);
    for (int y = 0; y < kMapSize; ++y) {
        for (int x = 0; x < kMapSize; ++x) {
            const std::int16_t code = worldMap(x, y);
            image.set(x, y, code >= 0 && code < kCellCodes ? kLevelColours.at(code) : kBlack);
        }
    }
    return image;
}

}  // namespace quellon
