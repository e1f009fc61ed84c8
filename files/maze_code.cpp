#include "files/maze_code.h"

#include <zlib.h>

#include <array>
#include <cstdint>
#include <vector>

namespace quellon {

namespace {

constexpr std::string_view kAlphabet =
    "ABCDEFGHIJKLMNOPQRSTUVWXYZabcdefghijklmnopqrstuvwxyz0123456789-_";
constexpr std::size_t kCells = std::size_t{kMapSize} * kMapSize;
constexpr int kRawDeflateWindowBits = -15;  // negative: DEFLATE without zlib's header and checksum
constexpr int kMemoryLevel = 9;

std::string base64url(const std::vector<std::uint8_t>& bytes) {
    std::string out;
    std::uint32_t bits = 0;
    int held = 0;
    for (const std::uint8_t byte : bytes) {
        bits = (bits << 8) | byte;
        held += 8;
        while (held >= 6) {
            held -= 6;
            out += kAlphabet[(bits >> held) & 63];
        }
    }
    if (held > 0) {
        out += kAlphabet[(bits << (6 - held)) & 63];
    }
    return out;
}

// The bytes of base64url text, or false at a character outside the alphabet or a length that
// no whole number of bytes gives.
bool fromBase64url(std::string_view text, std::vector<std::uint8_t>& bytes, std::string& error) {
    std::uint32_t bits = 0;
    int held = 0;
    for (std::size_t i = 0; i < text.size(); ++i) {
        const std::size_t value = kAlphabet.find(text[i]);
        if (value == std::string_view::npos) {
            error = "character " + std::to_string(i + 2) + " is not one of A-Z a-z 0-9 - _";
            return false;
        }
        bits = (bits << 6) | static_cast<std::uint32_t>(value);
        held += 6;
        if (held >= 8) {
            held -= 8;
            bytes.push_back(static_cast<std::uint8_t>(bits >> held));
        }
    }
    if (held >= 6) {
        error = "it is cut short";
        return false;
    }
    return true;
}

}  // namespace

std::string mazeCode(const WorldMap& worldMap) {
    std::array<std::uint8_t, kCells> cells{};
    for (int y = 0; y < kMapSize; ++y) {
        for (int x = 0; x < kMapSize; ++x) {
            cells[static_cast<std::size_t>(y) * kMapSize + x] =
                static_cast<std::uint8_t>(worldMap(x, y));
        }
    }
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, kRawDeflateWindowBits, kMemoryLevel,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
        return {};
    }
    std::vector<std::uint8_t> packed(deflateBound(&stream, kCells));
    stream.next_in = cells.data();
    stream.avail_in = kCells;
    stream.next_out = packed.data();
    stream.avail_out = static_cast<uInt>(packed.size());
    const int status = deflate(&stream, Z_FINISH);
    packed.resize(stream.total_out);
    (void)deflateEnd(&stream);
    if (status != Z_STREAM_END) {
        return {};
    }
    return kMazeCodeVersion + base64url(packed);
}

PictureResult levelFromMazeCode(std::string_view code) {
    const auto failure = [](const std::string& why) {
        return PictureResult{Surface{}, "maze code: " + why};
    };
    if (code.empty()) {
        return failure("it is empty");
    }
    if (code.size() > kMaxMazeCodeLength) {
        return failure("longer than " + std::to_string(kMaxMazeCodeLength) + " characters");
    }
    if (code.front() != kMazeCodeVersion) {
        return failure(std::string("it does not start with the version mark ") + kMazeCodeVersion);
    }
    std::vector<std::uint8_t> packed;
    std::string error;
    if (!fromBase64url(code.substr(1), packed, error)) {
        return failure(error);
    }
    // One byte more than a maze has room for, to tell a stream that runs on.
    std::array<std::uint8_t, kCells + 1> cells{};
    z_stream stream{};
    if (inflateInit2(&stream, kRawDeflateWindowBits) != Z_OK) {
        return failure("zlib cannot start");
    }
    stream.next_in = packed.data();
    stream.avail_in = static_cast<uInt>(packed.size());
    stream.next_out = cells.data();
    stream.avail_out = static_cast<uInt>(cells.size());
    const int status = inflate(&stream, Z_FINISH);
    const std::size_t produced = stream.total_out;  // kCells + 1 when the stream runs on
    const bool allUsed = stream.avail_in == 0;
    (void)inflateEnd(&stream);
    const std::string grid =
        std::to_string(kMapSize) + " by " + std::to_string(kMapSize) + " cells";
    if (produced > kCells) {
        return failure("it holds more than " + grid);
    }
    if (status != Z_STREAM_END) {
        return failure("it is damaged or cut short");
    }
    if (produced != kCells) {
        return failure("it holds fewer than " + grid);
    }
    if (!allUsed) {
        return failure("it runs on after its " + grid);
    }
    PictureResult result{Surface(kMapSize, kMapSize), {}};
    for (std::size_t i = 0; i < kCells; ++i) {
        if (cells[i] >= kCellCodes) {
            return failure("cell " + std::to_string(i % kMapSize) + "," +
                           std::to_string(i / kMapSize) + " has the code " +
                           std::to_string(cells[i]) + ", not 0-5");
        }
        result.image.set(static_cast<int>(i % kMapSize), static_cast<int>(i / kMapSize),
                         kLevelColours.at(cells[i]));
    }
    return result;
}

}  // namespace quellon
