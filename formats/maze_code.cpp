#include "formats/maze_code.h"

namespace quellon {

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
constexpr int kBitsPerCharacter = 6;
constexpr std::uint32_t kCharacterMask = (1u << kBitsPerCharacter) - 1;

// What is said of a code: "maze code: " and why.
std::string saying(const std::string& why) {
    return std::string(kMazeCodeName) + ": " + why;
}

ImageResult failure(const std::string& why) {
    return {Surface{}, saying(why)};
}

std::string cellsOfTheMaze() {
    return std::to_string(kMapSize) + " by " + std::to_string(kMapSize) + " cells";
}

}  // namespace

std::vector<std::uint8_t> mazeCells(const WorldMap& worldMap) {
    std::vector<std::uint8_t> cells(kMazeCells);
    for (int y = 0; y < kMapSize; ++y) {
        for (int x = 0; x < kMapSize; ++x) {
            cells[static_cast<std::size_t>(y) * kMapSize + x] =
                static_cast<std::uint8_t>(worldMap(x, y));
        }
    }
    return cells;
}

std::string mazeCodeOf(std::span<const std::uint8_t> packed) {
    std::string code(1, kMazeCodeVersion);
    std::uint32_t bits = 0;
    int held = 0;
    for (const std::uint8_t byte : packed) {
        bits = (bits << 8) | byte;
        held += 8;
        while (held >= kBitsPerCharacter) {
            held -= kBitsPerCharacter;
            code += kAlphabet[(bits >> held) & kCharacterMask];
        }
    }
    if (held > 0) {
        code += kAlphabet[(bits << (kBitsPerCharacter - held)) & kCharacterMask];
    }
    return code;
}

std::string_view mazeCodeIn(std::string_view pasted) {
    constexpr std::string_view kSpace = " \t\r\n";
    constexpr std::string_view kField = "maze=";
    const std::size_t first = pasted.find_first_not_of(kSpace);
    pasted = first == std::string_view::npos ? std::string_view{} : pasted.substr(first);
    if (const std::size_t field = pasted.rfind(kField); field != std::string_view::npos) {
        pasted.remove_prefix(field + kField.size());
    }
    // A link may go on after its code with another field, or end in spaces.
    return pasted.substr(0, pasted.find_first_of("&# \t\r\n"));
}

bool packedOfMazeCode(std::string_view pasted, std::vector<std::uint8_t>& packed,
                      std::string& error) {
    const std::string_view code = mazeCodeIn(pasted);
    packed.clear();
    if (code.empty()) {
        error = saying("it is empty");
        return false;
    }
    if (code.size() > kMaxMazeCodeLength) {
        error = saying("longer than " + std::to_string(kMaxMazeCodeLength) + " characters");
        return false;
    }
    if (code.front() != kMazeCodeVersion) {
        error = saying(std::string("it does not start with the version mark ") + kMazeCodeVersion);
        return false;
    }
    std::uint32_t bits = 0;
    int held = 0;
    for (std::size_t i = 1; i < code.size(); ++i) {
        const std::size_t value = kAlphabet.find(code[i]);
        if (value == std::string_view::npos) {
            error = saying("character " + std::to_string(i + 1) + " is not one of A-Z a-z 0-9 - _");
            return false;
        }
        bits = (bits << kBitsPerCharacter) | static_cast<std::uint32_t>(value);
        held += kBitsPerCharacter;
        if (held >= 8) {
            held -= 8;
            packed.push_back(static_cast<std::uint8_t>(bits >> held));
        }
    }
    if (held >= kBitsPerCharacter) {  // a character whose bits make no whole byte
        error = saying("it is cut short");
        return false;
    }
    return true;
}

ImageResult levelFromMazeCells(std::span<const std::uint8_t> cells, bool runsOn) {
    if (runsOn || cells.size() > kMazeCells) {
        return failure("it holds more than " + cellsOfTheMaze());
    }
    if (cells.size() < kMazeCells) {
        return failure("it holds fewer than " + cellsOfTheMaze());
    }
    ImageResult result{Surface(kMapSize, kMapSize), {}};
    for (std::size_t i = 0; i < kMazeCells; ++i) {
        const int x = static_cast<int>(i % kMapSize);
        const int y = static_cast<int>(i / kMapSize);
        if (cells[i] >= kCellCodes) {
            return failure("cell " + std::to_string(x) + "," + std::to_string(y) +
                           " has the code " + std::to_string(cells[i]) + ", not 0-" +
                           std::to_string(kLastWallCode));
        }
        result.image.set(x, y, kLevelColours.at(cells[i]));
    }
    return mazeLevel(kMazeCodeName, std::move(result));
}

}  // namespace quellon
