// Fuzzes the BMP decoder with arbitrary files.
//
// Whatever the bytes, decodeBmp must not read outside them or misbehave (the sanitizers
// watch that), and its answer must keep its promises:
//  - a refusal is one non-empty line and carries no image, and the plain form is never refused:
//    "BM", the 40-byte info header, one plane, 24 bits, no compression, the pixel data at 54, a
//    positive size no larger than the surface allows, a length of exactly 54 + padded rows, and
//    a size field equal to that length;
//  - an accepted file is one of the forms ordinary tools write: an info header of 40, 108 or
//    124 bytes, one plane, 24 or 32 bits, uncompressed or (32 bits) with 8-bit red, green and
//    blue masks, rows bottom up or top down, all of them inside the file from its pixel offset;
//    it is called plain only in the plain form's header;
//  - every decoded pixel is the B, G, R triple stored for it;
//  - encoding the image gives the plain form, which decodes to the same image, and a plain file
//    is written back with every header field and pixel byte the decoder looked at.
#include <cstddef>
#include <cstdint>
#include <span>
#include <vector>

#include "formats/bmp.h"
#include "fuzz/fuzz_check.h"
#include "gfx/surface.h"

namespace {

std::uint32_t u32(const std::uint8_t* b, std::size_t at) {
    return std::uint32_t{b[at]} | (std::uint32_t{b[at + 1]} << 8) |
           (std::uint32_t{b[at + 2]} << 16) | (std::uint32_t{b[at + 3]} << 24);
}
std::uint16_t u16(const std::uint8_t* b, std::size_t at) {
    return static_cast<std::uint16_t>(b[at] | (b[at + 1] << 8));
}

bool isOneLine(const std::string& text) {
    return !text.empty() && text.find('\n') == std::string::npos;
}

// The form the decoder promises to accept, read independently of it.
bool isPlainForm(const std::uint8_t* b, std::size_t size) {
    if (size < 54 || b[0] != 'B' || b[1] != 'M' || u32(b, 14) != 40 || u16(b, 26) != 1 ||
        u16(b, 28) != 24 || u32(b, 30) != 0 || u32(b, 10) != 54) {
        return false;
    }
    const auto width = static_cast<std::int32_t>(u32(b, 18));
    const auto height = static_cast<std::int32_t>(u32(b, 22));
    if (width <= 0 || height <= 0 || width > quellon::Surface::kMaxSidePx ||
        height > quellon::Surface::kMaxSidePx) {
        return false;
    }
    const std::size_t stride = (static_cast<std::size_t>(width) * 3 + 3) / 4 * 4;
    return size == 54 + stride * static_cast<std::size_t>(height) && u32(b, 2) == size;
}

// The header bytes the decoder checks; the rest (reserved words, image size, resolution,
// palette counts) it ignores, so the encoder may write them differently.
constexpr std::size_t kCheckedHeaderRanges[][2] = {{0, 6}, {10, 34}};

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size) {
    const std::span<const std::uint8_t> file(data, size);
    const quellon::BmpResult decoded = quellon::decodeBmp(file);

    if (!decoded.ok()) {
        FUZZ_CHECK(!isPlainForm(data, size), "refused a plain 24-bit file: %s",
                   decoded.error.c_str());
        FUZZ_CHECK(isOneLine(decoded.error), "refusal is not one line: \"%s\"",
                   decoded.error.c_str());
        FUZZ_CHECK(decoded.image.width() == 0 && decoded.image.height() == 0,
                   "a refused file left a %dx%d image", decoded.image.width(),
                   decoded.image.height());
        return 0;
    }

    // Accepted: one of the forms read, by an independent reading of the header.
    FUZZ_CHECK(size >= quellon::kBmpHeaderBytes, "accepted a %zu-byte file", size);
    FUZZ_CHECK(data[0] == 'B' && data[1] == 'M', "accepted without \"BM\"");
    const std::uint32_t headerBytes = u32(data, 14);
    FUZZ_CHECK(headerBytes == 40 || headerBytes == 108 || headerBytes == 124,
               "accepted info header size %u", headerBytes);
    FUZZ_CHECK(u16(data, 26) == 1, "accepted plane count %u", unsigned{u16(data, 26)});
    const unsigned bits = u16(data, 28);
    FUZZ_CHECK(bits == 24 || bits == 32, "accepted %u bits per pixel", bits);
    const std::uint32_t compression = u32(data, 30);
    const bool bitFields = compression == 3;
    FUZZ_CHECK(compression == 0 || (bitFields && bits == 32), "accepted compression %u at %u bits",
               compression, bits);
    if (bitFields) {
        FUZZ_CHECK(u32(data, 54) == 0xFF0000 && u32(data, 58) == 0xFF00 && u32(data, 62) == 0xFF,
                   "accepted channel masks %x %x %x", u32(data, 54), u32(data, 58), u32(data, 62));
    }
    const auto width = static_cast<std::int32_t>(u32(data, 18));
    const auto storedHeight = static_cast<std::int32_t>(u32(data, 22));
    const bool topDown = storedHeight < 0;
    const std::int64_t height = topDown ? -std::int64_t{storedHeight} : storedHeight;
    FUZZ_CHECK(width > 0 && height > 0, "accepted size %d x %lld", width,
               static_cast<long long>(height));
    FUZZ_CHECK(width <= quellon::Surface::kMaxSidePx && height <= quellon::Surface::kMaxSidePx,
               "accepted size %d x %lld", width, static_cast<long long>(height));
    FUZZ_CHECK(decoded.image.width() == width && decoded.image.height() == height,
               "header says %d x %lld, image is %d x %d", width, static_cast<long long>(height),
               decoded.image.width(), decoded.image.height());
    const std::size_t pixelBytes = bits / 8;
    const std::size_t stride = (static_cast<std::size_t>(width) * pixelBytes + 3) / 4 * 4;
    const std::size_t offset = u32(data, 10);
    const std::size_t dataFrom = 14 + headerBytes + (bitFields && headerBytes == 40 ? 12 : 0);
    FUZZ_CHECK(offset >= dataFrom && offset <= size &&
                   size - offset >= stride * static_cast<std::size_t>(height),
               "accepted pixels from byte %zu for %d x %lld in %zu bytes", offset, width,
               static_cast<long long>(height), size);
    FUZZ_CHECK(decoded.plain == (headerBytes == 40 && bits == 24 && !topDown && offset == 54),
               "called %s plain", decoded.plain ? "a file" : "the plain form not");

    for (int y = 0; y < height; ++y) {
        const std::size_t stored = static_cast<std::size_t>(topDown ? y : height - 1 - y);
        const std::uint8_t* row = data + offset + stride * stored;
        for (int x = 0; x < width; ++x) {
            const std::uint8_t* p = row + pixelBytes * static_cast<std::size_t>(x);
            const quellon::Colour expected = quellon::rgb(p[2], p[1], p[0]);
            FUZZ_CHECK(decoded.image.at(x, y) == expected, "pixel (%d, %d) is %06x, stored %06x", x,
                       y, decoded.image.at(x, y), expected);
        }
    }

    // Round trip: the encoder writes the plain form, which decodes to the same image; a file
    // that was in the plain form, of its exact length, is written back byte for byte where the
    // decoder looked.
    const std::vector<std::uint8_t> encoded = quellon::encodeBmp(decoded.image);
    const quellon::BmpResult again = quellon::decodeBmp(encoded);
    FUZZ_CHECK(again.ok() && again.plain, "the encoder's own file is refused or not plain: %s",
               again.error.c_str());
    FUZZ_CHECK(again.image == decoded.image, "round trip changed the %d x %lld image", width,
               static_cast<long long>(height));
    if (!isPlainForm(data, size)) {
        return 0;
    }
    FUZZ_CHECK(encoded.size() == size, "re-encoded to %zu bytes from %zu", encoded.size(), size);
    for (const auto& range : kCheckedHeaderRanges) {
        for (std::size_t at = range[0]; at < range[1]; ++at) {
            FUZZ_CHECK(encoded[at] == data[at], "header byte %zu re-encoded as %u, was %u", at,
                       unsigned{encoded[at]}, unsigned{data[at]});
        }
    }
    for (int y = 0; y < height; ++y) {
        const std::size_t base = 54 + stride * static_cast<std::size_t>(y);
        for (std::size_t at = base; at < base + 3 * static_cast<std::size_t>(width); ++at) {
            FUZZ_CHECK(encoded[at] == data[at], "pixel byte %zu re-encoded as %u, was %u", at,
                       unsigned{encoded[at]}, unsigned{data[at]});
        }
        for (std::size_t at = base + 3 * static_cast<std::size_t>(width); at < base + stride;
             ++at) {
            FUZZ_CHECK(encoded[at] == 0, "row padding byte %zu written as %u", at,
                       unsigned{encoded[at]});
        }
    }
    return 0;
}
