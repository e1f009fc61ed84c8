#include "tools/png.h"

#include <zlib.h>

#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quellon {

namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};

void putU32BigEndian(std::vector<std::uint8_t>& out, std::uint32_t v) {
    out.push_back(static_cast<std::uint8_t>(v >> 24));
    out.push_back(static_cast<std::uint8_t>(v >> 16));
    out.push_back(static_cast<std::uint8_t>(v >> 8));
    out.push_back(static_cast<std::uint8_t>(v));
}

void putChunk(std::vector<std::uint8_t>& out, std::string_view type,
              const std::vector<std::uint8_t>& data) {
    putU32BigEndian(out, static_cast<std::uint32_t>(data.size()));
    const std::size_t typeAt = out.size();
    out.insert(out.end(), type.begin(), type.end());
    out.insert(out.end(), data.begin(), data.end());
    // The CRC covers the type and the data, not the length; PNG's CRC is zlib's CRC-32.
    const uLong crc = ::crc32(::crc32(0L, Z_NULL, 0), out.data() + typeAt,
                              static_cast<uInt>(out.size() - typeAt));
    putU32BigEndian(out, static_cast<std::uint32_t>(crc));
}

// The zlib stream of `raw`, or an empty vector when zlib cannot allocate its state.
std::vector<std::uint8_t> compressed(const std::vector<std::uint8_t>& raw) {
    uLongf size = ::compressBound(static_cast<uLong>(raw.size()));
    std::vector<std::uint8_t> out(size);
    if (::compress2(out.data(), &size, raw.data(), static_cast<uLong>(raw.size()),
                    Z_BEST_COMPRESSION) != Z_OK) {
        return {};
    }
    out.resize(size);
    return out;
}

}  // namespace

std::vector<std::uint8_t> encodePng(const Surface& image) {
    if (image.width() <= 0 || image.height() <= 0) {
        return {};
    }
    const auto width = static_cast<std::size_t>(image.width());
    const auto height = static_cast<std::size_t>(image.height());

    std::vector<std::uint8_t> scanlines;
    scanlines.reserve((width * 3 + 1) * height);
    for (int y = 0; y < image.height(); ++y) {
        scanlines.push_back(0);  // filter type None
        for (int x = 0; x < image.width(); ++x) {
            const Colour c = image.at(x, y);
            scanlines.push_back(redOf(c));
            scanlines.push_back(greenOf(c));
            scanlines.push_back(blueOf(c));
        }
    }
    const std::vector<std::uint8_t> stream = compressed(scanlines);
    if (stream.empty()) {
        return {};
    }

    std::vector<std::uint8_t> header;
    putU32BigEndian(header, static_cast<std::uint32_t>(width));
    putU32BigEndian(header, static_cast<std::uint32_t>(height));
    header.push_back(8);  // bits per sample
    header.push_back(2);  // colour type: RGB
    header.push_back(0);  // compression: deflate
    header.push_back(0);  // filter method: adaptive (we only use type None)
    header.push_back(0);  // no interlace

    std::vector<std::uint8_t> out(kSignature.begin(), kSignature.end());
    putChunk(out, "IHDR", header);
    putChunk(out, "IDAT", stream);
    putChunk(out, "IEND", {});
    return out;
}

}  // namespace quellon
