// Which form a file is in: the one place that decides it, for the programs, the tools and the
// page alike. A maze comes as its grid in text or as a level image, BMP or PNG; pictures the
// tools write are BMP or PNG.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace quellon {

enum class FileFormat : std::uint8_t { kGrid, kBmp, kPng };

// The form of the file `name` whose bytes begin with `bytes`: by the name's ending (.bmp or
// .png, in any case), else by the first bytes when they start as a BMP or a PNG does, else
// the grid. A file about to be written has no bytes yet and goes by its name alone.
FileFormat fileFormatOf(std::string_view name, std::span<const std::uint8_t> bytes = {});

// Whether the bytes start as a PNG file does.
bool looksLikePng(std::span<const std::uint8_t> bytes);

}  // namespace quellon
