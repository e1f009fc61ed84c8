// The walls' textures: one square image per cell code, element k for the walls of code k, as
// the renderer draws them and the files and tools that bring or paint them hand them over.
#pragma once

#include <array>
#include <cstdint>

#include "gfx/surface.h"
#include "world/level.h"

namespace quellon {

// Width and height of every texture image, in pixels.
inline constexpr int kTextureSize = 64;
// Element k is the texture of cell code k; element 0, the code of no wall, holds element 1's
// image.
inline constexpr int kTextureCount = kCellCodes;

using TextureSet = std::array<Surface, kTextureCount>;

// The element for a strip's wall code. Codes are always 0..5; anything else would select
// element 0 rather than index outside the set.
constexpr int textureElement(std::int16_t wallCode) {
    return wallCode >= 0 && wallCode < kTextureCount ? wallCode : 0;
}

}  // namespace quellon
