#include "tools/png.h"

#include <algorithm>
#include <array>
#include <cstddef>
#include <cstdint>
#include <string_view>

namespace quellon {

namespace {

constexpr std::array<std::uint8_t, 8> kSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::size_t kMaxStoredBlock = 65535;  // LEN of a stored deflate block is 16 bits

constexpr std::array<std::uint32_t, 256> makeCrcTable() {
    std::array<std::uint32_t, 256> table{};
    for (std::uint32_t n = 0; n < 256; ++n) {
        std::uint32_t c = n;
        for (int k = 0; k < 8; ++k) {
            c = (c & 1) ? 0xEDB88320u ^ (c >> 1) : c >> 1;
        }
        table[n] = c;
    }
    return table;
}
constexpr std::array<std::uint32_t, 256> kCrcTable = makeCrcTable();

// CRC-32 as PNG uses it (the zlib/IEEE polynomial, reflected, pre- and post-inverted).
std::uint32_t crc32(const std::uint8_t* data, std::size_t size) {
    std::uint32_t c = 0xFFFFFFFFu;
    for (std::size_t i = 0; i < size; ++i) {
        c = kCrcTable[(c ^ data[i]) & 0xFF] ^ (c >> 8);
    }
    return c ^ 0xFFFFFFFFu;
}

std::uint32_t adler32(const std::vector<std::uint8_t>& data) {
    constexpr std::uint32_t kBase = 65521;
    std::uint32_t a = 1;
    std::uint32_t b = 0;
    for (std::uint8_t byte : data) {
        a = (a + byte) % kBase;
        b = (b + a) % kBase;
    }
    return (b << 16) | a;
}

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
    // The CRC covers the type and the data, not the length.
    putU32BigEndian(out, crc32(out.data() + typeAt, out.size() - typeAt));
}

// zlib wrapping of `raw` as stored (uncompressed) deflate blocks.
std::vector<std::uint8_t> storedZlib(const std::vector<std::uint8_t>& raw) {
    std::vector<std::uint8_t> out;
    out.reserve(raw.size() + raw.size() / kMaxStoredBlock * 5 + 16);
    out.push_back(0x78);  // deflate, 32 KiB window
    out.push_back(0x01);  // no preset dictionary, fastest; makes the header a multiple of 31
    std::size_t at = 0;
    do {
        const std::size_t len = std::min(kMaxStoredBlock, raw.size() - at);
        const bool last = at + len == raw.size();
        out.push_back(last ? 1 : 0);  // BFINAL, BTYPE 00; the rest of the byte is padding
        out.push_back(static_cast<std::uint8_t>(len));
        out.push_back(static_cast<std::uint8_t>(len >> 8));
        out.push_back(static_cast<std::uint8_t>(~len));
        out.push_back(static_cast<std::uint8_t>(~len >> 8));
        out.insert(out.end(), raw.begin() + static_cast<std::ptrdiff_t>(at),
                   raw.begin() + static_cast<std::ptrdiff_t>(at + len));
        at += len;
    } while (at < raw.size());
    putU32BigEndian(out, adler32(raw));
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
    putChunk(out, "IDAT", storedZlib(scanlines));
    putChunk(out, "IEND", {});
    return out;
}

}  // namespace quellon
