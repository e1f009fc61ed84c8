// Which form a file is in: the one place that decides it, for the programs, the tools and the
// page alike. A maze comes as its grid in text or as a level image, BMP or PNG; pictures the
// tools write are BMP or PNG.
#pragma once

#include <cstdint>
#include <span>
#include <string_view>

namespace quellon {

// kUnknown: bytes that are none of the forms (a JPEG, a program, noise).
enum class FileFormat : std::uint8_t { kGrid, kBmp, kPng, kUnknown };

// The form of the file `name` whose bytes are `bytes`. A PNG or a BMP is known by its first
// bytes whatever the name says; other bytes are a grid when they are text (UTF-8 without
// control characters but tabs and line ends), and of no known form otherwise. A file about to
// be written has no bytes yet and goes by its name alone: .png or .bmp in any case, or a grid.
FileFormat fileFormatOf(std::string_view name, std::span<const std::uint8_t> bytes = {});

// What a file of no known form is told: "not a grid, a PNG or a BMP".
inline constexpr const char* kNoKnownForm = "not a grid, a PNG or a BMP";

// Whether the bytes start as a PNG file does.
bool looksLikePng(std::span<const std::uint8_t> bytes);

}  // namespace quellon
