#include "world/level.h"

namespace quellon {

// [learn:scan]
void scanLevel(WorldMap& worldMap, const Surface& levelImage) {
    std::int16_t code = kOpenFloor;
    for (int x = 0; x < kMapSize; ++x) {
        for (int y = 0; y < kMapSize; ++y) {
            const Colour colour = GetPixel(levelImage, x, y);
            for (std::size_t k = 0; k < kLevelColours.size(); ++k) {
                if (colour == kLevelColours[k]) {
                    code = static_cast<std::int16_t>(k);
                    break;
                }
            }
            worldMap.set(x, y, code);
        }
    }
}
// [/learn:scan]

}  // namespace quellon
