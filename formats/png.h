// PNG files through libpng: written for frames, icons and contact sheets (8-bit RGB at zlib's
// best compression), and read for the level images and textures people bring. On Windows the
// same through Windows' own imaging component (png_wic.cpp): the same pixels, other bytes.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "gfx/surface.h"

namespace quellon {

// The whole PNG file for `image`, 8-bit red, green and blue, not interlaced. PNG has no empty
// images, so a surface with no pixels gives an empty vector; so does a write that libpng gives
// up on (out of memory). Callers treat an empty result as a failure.
std::vector<std::uint8_t> encodePng(const Surface& image);

struct PngResult {
    Surface image;
    std::string error;  // empty on success; otherwise one line saying what is wrong
    // The size its header gives, once the header is read (also when the pixels are not).
    std::int64_t width = 0;
    std::int64_t height = 0;
    // The file is 8-bit red, green and blue, not interlaced: the form encodePng writes, so
    // writing the picture back keeps it as it was.
    bool plain = false;
    bool ok() const { return error.empty(); }
};

// Any PNG libpng reads (every colour type and bit depth, interlaced or not), as the 8-bit red,
// green and blue it stores: palettes and grey are expanded, 16-bit channels keep their high
// byte, and opacity and gamma are left aside, so a colour is read as the number written. An
// image wider or taller than `maxSidePx` is refused before its pixels are read.
PngResult decodePng(std::span<const std::uint8_t> file, int maxSidePx = Surface::kMaxSidePx);

}  // namespace quellon
