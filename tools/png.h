// A minimal PNG writer for previews and contact sheets: 8-bit RGB, no compression.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/surface.h"

namespace quellon {

// The whole PNG file for `image`: signature, IHDR (8-bit RGB, not interlaced), one IDAT
// holding a zlib stream of stored deflate blocks over filter-0 scanlines, and IEND.
// PNG has no empty images, so a surface with no pixels gives an empty vector.
std::vector<std::uint8_t> encodePng(const Surface& image);

}  // namespace quellon
