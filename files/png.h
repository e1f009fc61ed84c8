// The PNG writer for frames, icons and contact sheets: 8-bit RGB, compressed by zlib.
#pragma once

#include <cstdint>
#include <vector>

#include "gfx/surface.h"

namespace quellon {

// The whole PNG file for `image`: signature, IHDR (8-bit RGB, not interlaced), one IDAT
// holding the zlib stream of its filter-0 scanlines at zlib's best compression, and IEND.
// PNG has no empty images, so a surface with no pixels gives an empty vector; so does a
// compression that fails (zlib out of memory). Callers treat an empty result as a failure.
std::vector<std::uint8_t> encodePng(const Surface& image);

}  // namespace quellon
