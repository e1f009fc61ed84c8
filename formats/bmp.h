// BMP images: the plain uncompressed 24-bit form the program carries and writes, and the forms
// other programs write a 24-bit picture in.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "gfx/surface.h"

namespace quellon {

inline constexpr int kBmpHeaderBytes = 54;

struct BmpResult {
    Surface image;
    std::string error;  // empty on success; otherwise one line saying what is wrong
    // The file is in the plain form encodeBmp writes, so writing the picture back keeps it as
    // it was.
    bool plain = false;
    bool ok() const { return error.empty(); }
};

// Reads a picture of 8 bits each of red, green and blue: "BM", an info header of 40, 108 or 124
// bytes, one plane, 24 bits per pixel uncompressed or 32 bits (blue, green, red and a byte left
// aside) uncompressed or with the usual bit fields, rows stored bottom-up or (a negative
// height) top-down, each padded to 4 bytes, all of them inside the file. Anything else is
// refused with the reason.
BmpResult decodeBmp(std::span<const std::uint8_t> file);

// Writes the same plain form; the result decodes back to `image` exactly.
std::vector<std::uint8_t> encodeBmp(const Surface& image);

}  // namespace quellon
