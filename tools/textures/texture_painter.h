// The five wall textures, painted from code so that the images in assets/ can be rebuilt
// exactly from source on any machine.
#pragma once

#include "gfx/surface.h"
#include "world/level.h"
#include "world/textures.h"

namespace quellon {

// The texture for wall code 1..5 as a kTextureSize square image: x is the column along the wall,
// left to right; y the row, 0 at the top of the wall. Every texture tiles horizontally (column 63
// continues into column 0). The painting uses only integer arithmetic and its own hashing,
// so the same code gives the same pixels with every compiler and library.
//   1  dark stone blocks streaked with yellow-green slime dripping from the top and joints
//   2  plain grey stone blocks with dark mortar, the everyday wall
//   3  a red banner with a forked hem and a gold emblem, hung over grey stone
//   4  dark blue stone around an arched, barred cell door
//   5  a gilt-framed landscape on dark wooden panelling
// Throws std::out_of_range for any other code.
Surface paintTexture(int code);

}  // namespace quellon
