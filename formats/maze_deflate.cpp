#include "formats/maze_deflate.h"

#include "formats/maze_code.h"

#include <zlib.h>

#include <cstdint>
#include <vector>

namespace quellon {

namespace {

constexpr int kRawDeflateWindowBits = -15;  // negative: DEFLATE without zlib's header and checksum
constexpr int kMemoryLevel = 9;

}  // namespace

std::string mazeCode(const WorldMap& worldMap) {
    std::vector<std::uint8_t> cells = mazeCells(worldMap);
    z_stream stream{};
    if (deflateInit2(&stream, Z_BEST_COMPRESSION, Z_DEFLATED, kRawDeflateWindowBits, kMemoryLevel,
                     Z_DEFAULT_STRATEGY) != Z_OK) {
        return {};
    }
    std::vector<std::uint8_t> packed(deflateBound(&stream, static_cast<uLong>(cells.size())));
    stream.next_in = cells.data();
    stream.avail_in = static_cast<uInt>(cells.size());
    stream.next_out = packed.data();
    stream.avail_out = static_cast<uInt>(packed.size());
    const int status = deflate(&stream, Z_FINISH);
    packed.resize(stream.total_out);
    (void)deflateEnd(&stream);
    if (status != Z_STREAM_END) {
        return {};
    }
    return mazeCodeOf(packed);
}

ImageResult levelFromMazeCode(std::string_view code) {
    std::vector<std::uint8_t> packed;
    std::string error;
    if (!packedOfMazeCode(code, packed, error)) {
        return {Surface{}, error};
    }
    // One byte more than a maze has room for, to tell a stream that runs on.
    std::vector<std::uint8_t> cells(kMazeCells + 1);
    z_stream stream{};
    if (inflateInit2(&stream, kRawDeflateWindowBits) != Z_OK) {
        return {Surface{}, "maze code: zlib cannot start"};
    }
    stream.next_in = packed.data();
    stream.avail_in = static_cast<uInt>(packed.size());
    stream.next_out = cells.data();
    stream.avail_out = static_cast<uInt>(cells.size());
    const int status = inflate(&stream, Z_FINISH);
    cells.resize(stream.total_out);
    const bool allUsed = stream.avail_in == 0;
    (void)inflateEnd(&stream);
    if (cells.size() <= kMazeCells && status != Z_STREAM_END) {
        return {Surface{}, kDamagedMazeCode};
    }
    return levelFromMazeCells(cells, !allUsed);
}

}  // namespace quellon
