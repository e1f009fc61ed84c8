// A strip, the cells its walks read and where they ended, as lines of text with every digit of
// their single-precision values: the probe prints them so, and the page shows them so.
#pragma once

#include <string>

#include "render/raycast.h"

namespace quellon {

// stripX rayOffset rayAngle wallDist wallCode texColumn distance wallHeight wallTop, and a
// newline. The offset is a whole number unless `fractionalOffset` (the rules aim rays at
// fractions of a degree).
std::string stripLine(const Strip& strip, bool fractionalOffset);

// A cell a walk read: h or v, the crossing, the cell and its code, and a newline.
std::string cellReadLine(const CellRead& read);

// Where the walks ended: the horizontal walk's point and distance, then the vertical walk's,
// and a newline.
std::string walkEndsLine(const WalkEnds& ends);

}  // namespace quellon
