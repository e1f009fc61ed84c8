// The files a maze and its walls come in, as the programs open and save them: a level as its
// grid in text or as its level image (BMP or PNG, kMapSize pixels square), and a folder of wall
// textures. Every failure is one line that starts with the file's name.
#pragma once

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "formats/level_image.h"
#include "gfx/surface.h"
#include "world/level.h"
#include "world/textures.h"

namespace quellon {

// A level from the bytes of the file `name`: a BMP or PNG image or the grid as text, as
// fileFormatOf says.
// The result is the level image, kMapSize pixels a side, which the level scan reads as it reads
// the carried one.
ImageResult levelFromBytes(const std::string& name, std::span<const std::uint8_t> bytes);

// The same, read from the file.
ImageResult readLevelFile(const std::string& path);

// Where a maze opened from the file `opened` (read as `level`) is saved: the file itself when
// writing the maze back loses nothing (level.rewritable), otherwise a new file beside it,
// NAME-maze.EXT (NAME-maze-2.EXT and on if that is there already), so that nothing the file
// holds is ever written over.
std::string saveNameFor(const std::string& opened, const ImageResult& level);

// The bytes that keep `worldMap` under `name`: its level image as a BMP or PNG, or its grid as
// text, as fileFormatOf says of the name. Empty if the image cannot be encoded.
std::vector<std::uint8_t> levelFileBytes(const std::string& name, const WorldMap& worldMap);

// Reads the walls of a folder: `folder`/texture1 .. texture5, each a .bmp or .png (named in any
// case) of kTextureSize pixels a side, in place of the carried texture of its code; a code without
// a file keeps its own, and element 0 shows texture 1's image, whichever that is. Returns the
// error, or an empty string when the textures are set. A folder with none of the five files, a
// code with both a .bmp and a .png, and a file that does not decode or is of another size are
// errors, and leave `textures` as they were.
std::string readTextureFolder(const std::string& folder, TextureSet& textures);

}  // namespace quellon
