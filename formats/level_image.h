// A maze or a wall's picture from the bytes of a file, in the forms that need no library beyond
// our own: the grid as text, and pictures in the plain 24-bit BMP form. A PNG is decoded by
// whoever holds a PNG reader (the desktop's libpng, the page's browser) and checked here like
// any picture. Every failure is one line that starts with the file's name.
#pragma once

#include <cstddef>
#include <cstdint>
#include <span>
#include <string>

#include "formats/file_format.h"
#include "gfx/surface.h"

namespace quellon {

// Files larger than this are not maze or texture files, and are refused unread.
inline constexpr std::size_t kMaxMazeFileBytes = std::size_t{16} << 20;

// What a level image and a texture are called in messages.
inline constexpr const char* kLevelImageName = "level image";
inline constexpr const char* kTextureName = "texture";

struct ImageResult {
    Surface image;
    std::string error;  // empty on success
    // The file holds nothing a maze written back under its name would lose: a grid, or a level
    // image in the six colours and in the form it would be written in.
    bool rewritable = false;
    bool ok() const { return error.empty(); }
};

// Whether every pixel of the picture is one of the level's colours.
bool inLevelColours(const Surface& picture);

// The level of `level` if it is a maze to walk (see mazeFault), else the reason, naming `name`.
ImageResult mazeLevel(const std::string& name, ImageResult level);

// A decoded picture, or the reason it did not decode, from the file `name`, which must be `side`
// pixels square; `what` names it in the message (kLevelImageName). `width` and `height` are the
// size the file's header gives, 0 where it gives none.
ImageResult squarePicture(const std::string& name, const char* what, int side, ImageResult decoded,
                          std::int64_t width, std::int64_t height);

// The same for a BMP file's bytes, read by our own decoder.
ImageResult squareBmp(const std::string& name, const char* what, int side,
                      std::span<const std::uint8_t> bytes);

// The maze in the bytes of the file `name` when they hold no PNG: a BMP level image or the grid
// as text, as fileFormatOf says; bytes of no known form are refused (kNoKnownForm).
ImageResult levelFromGridOrBmp(const std::string& name, std::span<const std::uint8_t> bytes);

}  // namespace quellon
