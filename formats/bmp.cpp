#include "formats/bmp.h"

#include <cstddef>
#include <cstdint>
#include <string>

namespace quellon {

namespace {

constexpr std::size_t kFileHeaderBytes = 14;
// The info headers of the versions that hold a 24-bit picture: the first, and versions 4 and 5.
constexpr std::uint32_t kInfoHeaderBytes = 40;
constexpr std::uint32_t kV4HeaderBytes = 108;
constexpr std::uint32_t kV5HeaderBytes = 124;
constexpr std::uint16_t kBitsPerPixel = 24;  // what the plain form stores
constexpr std::uint16_t kBitsPerWord = 32;   // blue, green, red and a byte left aside
constexpr std::uint32_t kUncompressed = 0;
constexpr std::uint32_t kBitFields = 3;
constexpr std::uint32_t kRedMask = 0x00FF0000;
constexpr std::uint32_t kGreenMask = 0x0000FF00;
constexpr std::uint32_t kBlueMask = 0x000000FF;
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

// Rows are padded to whole 32-bit words.
std::size_t rowStride(std::size_t width, std::size_t pixelBytes) {
    return (width * pixelBytes + 3) / 4 * 4;
}

BmpResult failure(std::string why) {
    return BmpResult{Surface{}, "BMP image: " + std::move(why)};
}

}  // namespace

BmpResult decodeBmp(std::span<const std::uint8_t> file) {
    if (file.size() < kFileHeaderBytes + kInfoHeaderBytes) {
        return failure("too short for a header (" + std::to_string(file.size()) + " bytes)");
    }
    if (file[0] != 'B' || file[1] != 'M') {
        return failure("does not start with \"BM\"");
    }
    const std::uint32_t headerBytes = readU32(file, kFileHeaderBytes);
    if (headerBytes != kInfoHeaderBytes && headerBytes != kV4HeaderBytes &&
        headerBytes != kV5HeaderBytes) {
        return failure("its info header is of " + std::to_string(headerBytes) +
                       " bytes, not one of the kinds of 40, 108 or 124");
    }
    const std::int32_t width = readI32(file, 18);
    const std::int32_t storedHeight = readI32(file, 22);
    const std::uint16_t bits = readU16(file, 28);
    const std::uint32_t compression = readU32(file, 30);
    if (readU16(file, 26) != 1) {
        return failure("plane count is not 1");
    }
    if (bits != kBitsPerPixel && bits != kBitsPerWord) {
        return failure("not 24 or 32 bits per pixel (" + std::to_string(bits) + ")");
    }
    // The channels' masks follow a 40-byte header, and lie inside the longer ones.
    const std::size_t masksAt = kFileHeaderBytes + kInfoHeaderBytes;
    std::size_t dataFrom = kFileHeaderBytes + headerBytes;
    if (compression == kBitFields) {
        if (bits != kBitsPerWord) {
            return failure("bit fields in a picture of " + std::to_string(bits) +
                           " bits per pixel");
        }
        if (headerBytes == kInfoHeaderBytes) {
            dataFrom += 3 * sizeof(std::uint32_t);
        }
        if (file.size() < masksAt + 3 * sizeof(std::uint32_t)) {
            return failure("the file ends inside its channel masks");
        }
        if (readU32(file, masksAt) != kRedMask || readU32(file, masksAt + 4) != kGreenMask ||
            readU32(file, masksAt + 8) != kBlueMask) {
            return failure("its channel masks are not 8 bits each of red, green and blue");
        }
    } else if (compression != kUncompressed) {
        return failure("compressed (method " + std::to_string(compression) + ")");
    }
    if (width <= 0 || storedHeight == 0 || storedHeight == INT32_MIN) {
        return failure("its width must be more than 0 and its height not 0 (" +
                       std::to_string(width) + " by " + std::to_string(storedHeight) + ")");
    }
    // A negative height stores the rows top first.
    const bool topDown = storedHeight < 0;
    const std::int32_t height = topDown ? -storedHeight : storedHeight;
    if (width > Surface::kMaxSidePx || height > Surface::kMaxSidePx) {
        return failure("larger than " + std::to_string(Surface::kMaxSidePx) + " pixels a side");
    }
    const std::size_t pixelBytes = bits / 8;
    const std::size_t stride = rowStride(static_cast<std::size_t>(width), pixelBytes);
    const std::size_t offset = readU32(file, 10);
    if (offset < dataFrom || offset > file.size() ||
        file.size() - offset < stride * static_cast<std::size_t>(height)) {
        return failure("is " + std::to_string(file.size()) + " bytes, too short for its " +
                       std::to_string(width) + " by " + std::to_string(height) +
                       " pixels from byte " + std::to_string(offset));
    }

    BmpResult result;
    result.plain = headerBytes == kInfoHeaderBytes && bits == kBitsPerPixel && !topDown &&
                   offset == kBmpHeaderBytes;
    result.image.resize(width, height);
    for (std::int32_t y = 0; y < height; ++y) {
        const std::int32_t stored = topDown ? y : height - 1 - y;
        const std::size_t base = offset + stride * static_cast<std::size_t>(stored);
        for (std::int32_t x = 0; x < width; ++x) {
            const std::size_t p = base + static_cast<std::size_t>(x) * pixelBytes;
            result.image.set(x, y, rgb(file[p + 2], file[p + 1], file[p]));  // stored B, G, R
        }
    }
    return result;
}

std::vector<std::uint8_t> encodeBmp(const Surface& image) {
    const std::size_t stride =
        rowStride(static_cast<std::size_t>(image.width()), kBitsPerPixel / 8);
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
            const Colour c = GetPixel(image, x, y);
            out[p++] = blueOf(c);
            out[p++] = greenOf(c);
            out[p++] = redOf(c);
        }
    }
    return out;
}

}  // namespace quellon
