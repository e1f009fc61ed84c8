#include "formats/level_image.h"

#include <algorithm>

#include "formats/bmp.h"
#include "formats/file_format.h"
#include "formats/level_text.h"
#include "world/level.h"
#include "world/movement.h"

namespace quellon {

namespace {

std::string sizeOf(std::int64_t width, std::int64_t height) {
    return std::to_string(width) + " by " + std::to_string(height) + " pixels";
}

}  // namespace

bool inLevelColours(const Surface& picture) {
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const Colour c = GetPixel(picture, x, y);
            if (std::find(kLevelColours.begin(), kLevelColours.end(), c) == kLevelColours.end()) {
                return false;
            }
        }
    }
    return true;
}

ImageResult mazeLevel(const std::string& name, ImageResult level) {
    if (!level.ok()) {
        return level;
    }
    WorldMap maze;
    scanLevel(maze, level.image);
    if (const std::string fault = mazeFault(maze); !fault.empty()) {
        return {Surface{}, name + ": " + fault};
    }
    return level;
}

ImageResult squarePicture(const std::string& name, const char* what, int side, ImageResult decoded,
                          std::int64_t width, std::int64_t height) {
    if ((width != 0 || height != 0) && (width != side || height != side)) {
        return {Surface{}, name + ": the " + what + " is " + sizeOf(width, height) + ", not " +
                               sizeOf(side, side)};
    }
    if (!decoded.ok()) {
        decoded.error = name + ": does not decode: " + decoded.error;
    }
    return decoded;
}

ImageResult squareBmp(const std::string& name, const char* what, int side,
                      std::span<const std::uint8_t> bytes) {
    BmpResult bmp = decodeBmp(bytes);
    const std::int64_t width = bmp.image.width();
    const std::int64_t height = bmp.image.height();
    ImageResult decoded{std::move(bmp.image), std::move(bmp.error)};
    if (!decoded.ok()) {
        decoded.error += " (give a 24-bit BMP, or a PNG)";
    }
    decoded.rewritable = bmp.plain && inLevelColours(decoded.image);
    return squarePicture(name, what, side, std::move(decoded), width, height);
}

ImageResult levelFromGridOrBmp(const std::string& name, std::span<const std::uint8_t> bytes) {
    switch (fileFormatOf(name, bytes)) {
        case FileFormat::kBmp:
            return mazeLevel(name, squareBmp(name, kLevelImageName, kMapSize, bytes));
        case FileFormat::kGrid:
            break;
        case FileFormat::kPng:
            return {Surface{}, name + ": a PNG image, which is decoded before it comes here"};
        case FileFormat::kUnknown:
            return {Surface{}, name + ": " + kNoKnownForm};
    }
    LevelTextResult grid = levelImageFromText(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!grid.ok()) {
        return {Surface{}, name + ": " + grid.error};
    }
    return mazeLevel(name, {std::move(grid.image), {}, true});
}

}  // namespace quellon
