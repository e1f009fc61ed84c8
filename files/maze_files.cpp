#include "files/maze_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "files/file_io.h"
#include "files/png.h"
#include "gfx/bmp.h"
#include "world/level_text.h"

namespace quellon {

namespace {

constexpr int kFirstTexture = kFirstWallCode;

bool endsWith(std::string_view name, std::string_view ending) {
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

bool looksLikeBmp(std::span<const std::uint8_t> bytes) {
    return bytes.size() >= 2 && bytes[0] == 'B' && bytes[1] == 'M';
}

std::string sizeOf(std::int64_t width, std::int64_t height) {
    return std::to_string(width) + " by " + std::to_string(height) + " pixels";
}

// A picture that must be `side` pixels square; `what` names it in the message.
PictureResult squarePicture(const std::string& name, std::span<const std::uint8_t> bytes, int side,
                            const char* what) {
    const bool png = endsWith(name, ".png") || (!endsWith(name, ".bmp") && looksLikePng(bytes));
    PictureResult result;
    std::int64_t width = 0;
    std::int64_t height = 0;
    if (png) {
        PngResult decoded = decodePng(bytes, side);
        width = decoded.width;
        height = decoded.height;
        result = {std::move(decoded.image), std::move(decoded.error)};
    } else {
        BmpResult decoded = decodeBmp(bytes);
        width = decoded.image.width();
        height = decoded.image.height();
        result = {std::move(decoded.image), std::move(decoded.error)};
        if (!result.ok()) {
            result.error += " (give a 24-bit BMP, or a PNG)";
        }
    }
    if ((width != 0 || height != 0) && (width != side || height != side)) {
        return {Surface{}, name + ": the " + what + " is " + sizeOf(width, height) + ", not " +
                               sizeOf(side, side)};
    }
    if (!result.ok()) {
        result.error = name + ": does not decode: " + result.error;
    }
    return result;
}

bool isImageName(std::string_view name) {
    return endsWith(name, ".bmp") || endsWith(name, ".png");
}

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

PictureResult levelFromBytes(const std::string& name, std::span<const std::uint8_t> bytes) {
    if (isImageName(name) || looksLikeBmp(bytes) || looksLikePng(bytes)) {
        return squarePicture(name, bytes, kMapSize, "level image");
    }
    LevelTextResult grid = levelImageFromText(
        std::string_view(reinterpret_cast<const char*>(bytes.data()), bytes.size()));
    if (!grid.ok()) {
        return {Surface{}, name + ": " + grid.error};
    }
    return {std::move(grid.image), {}};
}

PictureResult readLevelFile(const std::string& path) {
    std::string error;
    const auto bytes = readFile(path, error, kMaxMazeFileBytes);
    if (!bytes) {
        return {Surface{}, error};
    }
    return levelFromBytes(path, *bytes);
}

std::vector<std::uint8_t> levelFileBytes(const std::string& name, const WorldMap& worldMap) {
    if (endsWith(name, ".png")) {
        return encodePng(levelImageOf(worldMap));
    }
    if (endsWith(name, ".bmp")) {
        return encodeBmp(levelImageOf(worldMap));
    }
    const std::string text = levelText(worldMap);
    return {text.begin(), text.end()};
}

std::string readTextureFolder(const std::string& folder, TextureSet& textures) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        return folder + ": cannot open it: " + std::strerror(errno);
    }
    if (!S_ISDIR(info.st_mode)) {
        return folder + ": not a folder (give the folder that holds texture1.png .. texture5.png)";
    }
    TextureSet read = textures;
    int found = 0;
    for (int code = kFirstTexture; code <= kLastWallCode; ++code) {
        const std::string stem = folder + "/texture" + std::to_string(code);
        const bool bmp = exists(stem + ".bmp");
        const bool png = exists(stem + ".png");
        if (bmp && png) {
            return stem + ".bmp and " + stem + ".png: both are there; keep one";
        }
        if (!bmp && !png) {
            continue;
        }
        const std::string path = stem + (png ? ".png" : ".bmp");
        std::string error;
        const auto bytes = readFile(path, error, kMaxMazeFileBytes);
        if (!bytes) {
            return error;
        }
        PictureResult texture = squarePicture(path, *bytes, kTextureSize, "texture");
        if (!texture.ok()) {
            return texture.error;
        }
        read[static_cast<std::size_t>(code)] = std::move(texture.image);
        ++found;
    }
    if (found == 0) {
        return folder + ": holds none of texture1 .. texture" + std::to_string(kLastWallCode) +
               " (.bmp or .png)";
    }
    read[0] = read[kFirstTexture];
    textures = std::move(read);
    return {};
}

}  // namespace quellon
