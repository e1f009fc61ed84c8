#include "formats/bmp.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace quellon {

namespace {

constexpr std::uint32_t kInfoHeaderBytes = 40;
constexpr std::uint16_t kBitsPerPixel = 24;
constexpr std::int32_t kPixelsPerMetre = 2835;  // 72 dpi, what most writers put there

std::uint32_t readU32(std::span<const std::uint8_t> b, std::size_t at) {
    return std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8) |
           (std::uint32_t{b[at + 2]} << 16) | (std::uint32_t{b[at + 3]} << 24);
}
std::uint16_t readU16(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}
std::int32_t readI32(std::span<const std::uint8_t> b, std::size_t at) {
    return static_cast<std::int32_t>(readU32(b, at));
}

void putU32(std::vector<std::uint8_t>& out, std::size_t at, std::uint32_t v) {
    for (int i = 0; i < 4; ++i) {
        out[at + i] = static_cast<std::uint8_t>(v >> (8 * i));
    }
}
void putU16(std::vector<std::uint8_t>& out, std::size_t at, std::uint16_t v) {
    out[at] = static_cast<std::uint8_t>(v);
    out[at + 1] = static_cast<std::uint8_t>(v >> 8);
}

std::size_t rowStride(std::size_t width) {
    return (width * 3 + 3) / 4 * 4;
}

BmpResult failure(std::string why) {
    return BmpResult{Surface{}, "BMP image: " + std::move(why)};
}

}  // namespace

BmpResult decodeBmp(std::span<const std::uint8_t> file) {
    if (file.size() < kBmpHeaderBytes) {
        return failure("too short for a header (" + std::to_string(file.size()) + " bytes)");
    }
    if (file[0] != 'B' || file[1] != 'M') {
        return failure("does not start with \"BM\"");
    }
    if (readU32(file, 14) != kInfoHeaderBytes) {
        return failure("info header is not the 40-byte kind");
    }
    const std::int32_t width = readI32(file, 18);
    const std::int32_t height = readI32(file, 22);
    if (readU16(file, 26) != 1) {
        return failure("plane count is not 1");
    }
    if (readU16(file, 28) != kBitsPerPixel) {
        return failure("not 24 bits per pixel (" + std::to_string(readU16(file, 28)) + ")");
    }
    if (readU32(file, 30) != 0) {
        return failure("compressed (method " + std::to_string(readU32(file, 30)) + ")");
    }
    if (readU32(file, 10) != kBmpHeaderBytes) {
        return failure("pixel data does not follow the 54-byte header");
    }
    if (width <= 0 || height <= 0) {
        return failure("width and height must be positive (top-down images are not accepted)");
    }
    if (width > Surface::kMaxSidePx || height > Surface::kMaxSidePx) {
        return failure("larger than " + std::to_string(Surface::kMaxSidePx) + " pixels a side");
    }
    const std::size_t stride = rowStride(static_cast<std::size_t>(width));
    const std::size_t expected = kBmpHeaderBytes + stride * static_cast<std::size_t>(height);
    if (file.size() != expected) {
        return failure("is " + std::to_string(file.size()) + " bytes where a " +
                       std::to_string(width) + " by " + std::to_string(height) + " image takes " +
                       std::to_string(expected));
    }
    if (readU32(file, 2) != file.size()) {
        return failure("size field does not match the file's length");
    }

    BmpResult result;
    result.image.resize(width, height);
    for (std::int32_t y = 0; y < height; ++y) {
        // The first stored row is the bottom one.
        const std::size_t base =
            kBmpHeaderBytes + stride * static_cast<std::size_t>(height - 1 - y);
        for (std::int32_t x = 0; x < width; ++x) {
            const std::size_t p = base + static_cast<std::size_t>(x) * 3;
            result.image.set(x, y, rgb(file[p + 2], file[p + 1], file[p]));  // stored B, G, R
        }
    }
    return result;
}

std::vector<std::uint8_t> encodeBmp(const Surface& image) {
    const std::size_t stride = rowStride(static_cast<std::size_t>(image.width()));
    const std::size_t pixelBytes = stride * static_cast<std::size_t>(image.height());
    std::vector<std::uint8_t> out(kBmpHeaderBytes + pixelBytes, 0);
    out[0] = 'B';
    out[1] = 'M';
    putU32(out, 2, static_cast<std::uint32_t>(out.size()));
    putU32(out, 10, kBmpHeaderBytes);
    putU32(out, 14, kInfoHeaderBytes);
    putU32(out, 18, static_cast<std::uint32_t>(image.width()));
    putU32(out, 22, static_cast<std::uint32_t>(image.height()));
    putU16(out, 26, 1);
    putU16(out, 28, kBitsPerPixel);
    putU32(out, 34, static_cast<std::uint32_t>(pixelBytes));
    putU32(out, 38, static_cast<std::uint32_t>(kPixelsPerMetre));
    putU32(out, 42, static_cast<std::uint32_t>(kPixelsPerMetre));
    for (int y = 0; y < image.height(); ++y) {
        std::size_t p = kBmpHeaderBytes + stride * static_cast<std::size_t>(image.height() - 1 - y);
        for (int x = 0; x < image.width(); ++x) {
            const Colour c = image.at(x, y);
            out[p++] = blueOf(c);
            out[p++] = greenOf(c);
            out[p++] = redOf(c);
        }
    }
    return out;
}

}  // namespace quellon
