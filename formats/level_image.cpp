#include "formats/level_image.h"

#include "formats/bmp.h"
#include "formats/file_format.h"
#include "formats/level_text.h"
#include "world/level.h"

namespace quellon {

namespace {

std::string sizeOf(std::int64_t width, std::int64_t height) {
    return std::to_string(width) + " by " + std::to_string(height) + " pixels";
}

}  // namespace

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
    return squarePicture(name, what, side, std::move(decoded), width, height);
}

ImageResult levelFromGridOrBmp(const std::string& name, std::span<const std::uint8_t> bytes) {
    if (fileFormatOf(name, bytes) == FileFormat::kBmp) {
        return squareBmp(name, kLevelImageName, kMapSize, bytes);
    }
    LevelTextResult grid = levelImageFromText(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!grid.ok()) {
        return {Surface{}, name + ": " + grid.error};
    }
    return {std::move(grid.image), {}};
}

}  // namespace quellon
