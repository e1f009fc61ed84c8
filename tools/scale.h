// Scaling a picture to another size by area averaging, for the desktop's icons.
#pragma once

#include "gfx/surface.h"

namespace quellon {

// `image` scaled to `width` by `height`. Each pixel of the result is the average of the part of
// the image it covers, every source pixel weighted by the area the two share, and averaged in
// linear light: a fine black-and-white pattern becomes the grey that gives off as much light,
// not a darker one. Enlarging by a whole factor therefore repeats each pixel, keeping the
// texture's pixels crisp. An image or a size without pixels gives an empty surface.
Surface scaleByArea(const Surface& image, int width, int height);

}  // namespace quellon
