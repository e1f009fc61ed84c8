#include "formats/maze_files.h"

#include <sys/stat.h>

#include <cerrno>
#include <cstring>
#include <string_view>

#include "formats/bmp.h"
#include "formats/file_format.h"
#include "formats/file_io.h"
#include "formats/level_image.h"
#include "formats/level_text.h"
#include "formats/png.h"

namespace quellon {

namespace {

constexpr int kFirstTexture = kFirstWallCode;

// A picture that must be `side` pixels square: a PNG, or a BMP otherwise.
ImageResult squareFile(const std::string& name, std::span<const std::uint8_t> bytes, int side,
                       const char* what) {
    if (fileFormatOf(name, bytes) == FileFormat::kPng) {
        PngResult png = decodePng(bytes, side);
        return squarePicture(name, what, side, {std::move(png.image), std::move(png.error)},
                             png.width, png.height);
    }
    return squareBmp(name, what, side, bytes);
}

bool exists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

}  // namespace

ImageResult levelFromBytes(const std::string& name, std::span<const std::uint8_t> bytes) {
    if (fileFormatOf(name, bytes) == FileFormat::kPng) {
        return squareFile(name, bytes, kMapSize, kLevelImageName);
    }
    return levelFromGridOrBmp(name, bytes);
}

ImageResult readLevelFile(const std::string& path) {
    if (path.empty()) {
        return {Surface{}, "no level file named (give a grid or a level image)"};
    }
    std::string error;
    const auto bytes = readFile(path, error, kMaxMazeFileBytes);
    if (!bytes) {
        return {Surface{}, error};
    }
    return levelFromBytes(path, *bytes);
}

std::vector<std::uint8_t> levelFileBytes(const std::string& name, const WorldMap& worldMap) {
    switch (fileFormatOf(name)) {
        case FileFormat::kPng:
            return encodePng(levelImageOf(worldMap));
        case FileFormat::kBmp:
            return encodeBmp(levelImageOf(worldMap));
        case FileFormat::kGrid:
            break;
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
        ImageResult texture = squareFile(path, *bytes, kTextureSize, kTextureName);
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
