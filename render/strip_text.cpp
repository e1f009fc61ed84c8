#include "render/strip_text.h"

#include <cstdio>

namespace quellon {

std::string stripLine(const Strip& s, bool fractionalOffset) {
    char offset[32];
    (void)std::snprintf(offset, sizeof offset, fractionalOffset ? "%.9g" : "%.0f", s.rayOffset);
    char line[192];  // the longest line takes 129
    (void)std::snprintf(line, sizeof line, "%d %s %.9g %.9g %d %d %.9g %d %d\n", s.stripX, offset,
                        s.rayAngle, static_cast<double>(s.hit.wallDist), s.hit.wallCode,
                        s.hit.texColumn, static_cast<double>(s.distance), s.wallHeight, s.wallTop);
    return line;
}

std::string cellReadLine(const CellRead& read) {
    char line[96];
    (void)std::snprintf(line, sizeof line, "%c %.9g %.9g %d %d %d\n",
                        read.walk == WalkLines::kHorizontal ? 'h' : 'v',
                        static_cast<double>(read.x), static_cast<double>(read.y), read.column,
                        read.row, read.code);
    return line;
}

std::string walkEndsLine(const WalkEnds& ends) {
    char line[128];
    (void)std::snprintf(line, sizeof line, "%.9g %.9g %.9g %.9g %.9g %.9g\n",
                        static_cast<double>(ends.horizX), static_cast<double>(ends.horizY),
                        static_cast<double>(ends.horizDist), static_cast<double>(ends.vertX),
                        static_cast<double>(ends.vertY), static_cast<double>(ends.vertDist));
    return line;
}

}  // namespace quellon
