// Reading and writing uncompressed 24-bit BMP images, the one format the program carries.
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
    bool ok() const { return error.empty(); }
};

// Accepts only the plain form: "BM", a 40-byte info header, one plane, 24 bits per pixel,
// no compression, pixel data right after the 54-byte header, positive width and height
// (rows stored bottom-up, each padded to 4 bytes), and a file exactly as long as that needs.
BmpResult decodeBmp(std::span<const std::uint8_t> file);

// Writes the same plain form; the result decodes back to `image` exactly.
std::vector<std::uint8_t> encodeBmp(const Surface& image);

}  // namespace quellon
