#include "world/level_file.h"

#include "gfx/bmp.h"
#include "world/level.h"
#include "world/level_text.h"

namespace quellon {

namespace {

constexpr const char* kLevelImage = "level image";

bool looksLikeBmp(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
}

std::string sizeOf(std::int64_t width, std::int64_t height) {
    return std::to_string(width) + " by " + std::to_string(height) + " pixels";
}

}  // namespace

bool hasEnding(std::string_view name, std::string_view ending) {
    if (name.size() < ending.size()) {
        return false;
    }
    const std::string_view tail = name.substr(name.size() - ending.size());
    for (std::size_t i = 0; i < tail.size(); ++i) {
        const char c =
            tail[i] >= 'A' && tail[i] <= 'Z' ? static_cast<char>(tail[i] - 'A' + 'a') : tail[i];
        if (c != ending[i]) {
            return false;
        }
    }
    return true;
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
    return squarePicture(name, what, side, std::move(decoded), width, height);
}

ImageResult levelFromGridOrBmp(const std::string& name, std::span<const std::uint8_t> bytes) {
    if (hasEnding(name, ".bmp") || looksLikeBmp(bytes)) {
        return squareBmp(name, kLevelImage, kMapSize, bytes);
    }
    LevelTextResult grid = levelImageFromText(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!grid.ok()) {
        return {Surface{}, name + ": " + grid.error};
    }
    return {std::move(grid.image), {}};
}

}  // namespace quellon
