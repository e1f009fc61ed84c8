// The seven images carried inside the program, as the BMP files they were built from.
#pragma once

#include <cstdint>
#include <span>

namespace quellon::assets {

// The texture element the program's icon is made from: the window shows it as it is, and the
// desktop's icons are scaled from it. Chosen by the build (assets/CMakeLists.txt).
inline constexpr int kIconTexture = QUELLON_ICON_TEXTURE;

// The level image, one pixel per map cell.
std::span<const std::uint8_t> levelImage();
// How many texture images are carried: one per element.
int carriedTextureCount();
// Wall texture `element`, 0..5; element 0 is the same image as element 1. Any other
// element gives an empty span.
std::span<const std::uint8_t> textureImage(int element);

}  // namespace quellon::assets
