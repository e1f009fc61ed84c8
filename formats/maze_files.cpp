#include "formats/maze_files.h"

#include <algorithm>
#include <array>
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

// A picture that must be `side` pixels square, a PNG or a BMP by its bytes. A level image is
// rewritable when writing it back keeps it as it is.
ImageResult squareFile(const std::string& name, std::span<const std::uint8_t> bytes, int side,
                       const char* what) {
    switch (fileFormatOf(name, bytes)) {
        case FileFormat::kPng: {
            PngResult png = decodePng(bytes, side);
            const bool plain = png.plain && inLevelColours(png.image);
            ImageResult picture =
                squarePicture(name, what, side, {std::move(png.image), std::move(png.error)},
                              png.width, png.height);
            picture.rewritable = picture.ok() && plain;
            return picture;
        }
        case FileFormat::kBmp:
            return squareBmp(name, what, side, bytes);
        case FileFormat::kGrid:
        case FileFormat::kUnknown:
            break;
    }
    return {Surface{}, name + ": not a PNG or a BMP"};
}

// The names of the texture files in a folder's list, "texture<code>.png" or ".bmp" in any case,
// for each wall code.
std::array<std::vector<std::string>, kTextureCount> textureFiles(
    const std::vector<std::string>& names) {
    std::array<std::vector<std::string>, kTextureCount> files;
    for (const std::string& name : names) {
        std::string lower = name;
        for (char& c : lower) {
            c = c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c;
        }
        for (int code = kFirstTexture; code <= kLastWallCode; ++code) {
            const std::string stem = "texture" + std::to_string(code);
            if (lower == stem + ".png" || lower == stem + ".bmp") {
                files[static_cast<std::size_t>(code)].push_back(name);
            }
        }
    }
    return files;
}

}  // namespace

ImageResult levelFromBytes(const std::string& name, std::span<const std::uint8_t> bytes) {
    if (fileFormatOf(name, bytes) == FileFormat::kPng) {
        return mazeLevel(name, squareFile(name, bytes, kMapSize, kLevelImageName));
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

std::string saveNameFor(const std::string& opened, const ImageResult& level) {
    if (level.rewritable) {
        return opened;
    }
    // Beside it: the same name with "-maze" before its ending, and a number after that when
    // such a file is there already.
    const std::size_t slash = opened.find_last_of('/');
    const std::size_t dot = opened.find_last_of('.');
    const bool ending = dot != std::string::npos && (slash == std::string::npos || dot > slash);
    const std::string stem = ending ? opened.substr(0, dot) : opened;
    const std::string extension = ending ? opened.substr(dot) : ".txt";
    std::string name = stem + "-maze" + extension;
    for (int copy = 2; pathExists(name); ++copy) {
        name = stem + "-maze-" + std::to_string(copy) + extension;
    }
    return name;
}

std::vector<std::uint8_t> levelFileBytes(const std::string& name, const WorldMap& worldMap) {
    switch (fileFormatOf(name)) {
        case FileFormat::kPng:
            return encodePng(levelImageOf(worldMap));
        case FileFormat::kBmp:
            return encodeBmp(levelImageOf(worldMap));
        case FileFormat::kGrid:
        case FileFormat::kUnknown:
            break;
    }
    const std::string text = levelText(worldMap);
    return {text.begin(), text.end()};
}

std::string readTextureFolder(const std::string& folder, TextureSet& textures) {
    std::string error;
    const auto names = folderNames(folder, error);
    if (!names) {
        return error + " (give the folder that holds texture1.png .. texture" +
               std::to_string(kLastWallCode) + ".png)";
    }
    const auto files = textureFiles(*names);
    TextureSet read = textures;
    int found = 0;
    for (int code = kFirstTexture; code <= kLastWallCode; ++code) {
        std::vector<std::string> named = files[static_cast<std::size_t>(code)];
        std::sort(named.begin(), named.end());
        if (named.size() > 1) {
            return folder + "/" + named[0] + " and " + folder + "/" + named[1] +
                   ": both are there; keep one";
        }
        if (named.empty()) {
            continue;
        }
        const std::string path = folder + "/" + named[0];
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
