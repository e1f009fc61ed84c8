#include "formats/file_format.h"

#include <algorithm>
#include <array>

namespace quellon {

namespace {

constexpr std::array<std::uint8_t, 8> kPngSignature = {0x89, 'P', 'N', 'G', '\r', '\n', 0x1A, '\n'};
constexpr std::array<std::uint8_t, 2> kBmpSignature = {'B', 'M'};

// Whether `name` ends in `ending` (written in lower case), in any case: "MAZE.PNG" ends in
// ".png".
bool hasEnding(std::string_view name, std::string_view ending) {
    if (name.size() < ending.size()) {
        return false;
    }
    return std::equal(ending.begin(), ending.end(), name.end() - static_cast<long>(ending.size()),
                      [](char want, char c) {
                          return want ==
                                 (c >= 'A' && c <= 'Z' ? static_cast<char>(c - 'A' + 'a') : c);
                      });
}

template <std::size_t N>
bool startsWith(std::span<const std::uint8_t> bytes, const std::array<std::uint8_t, N>& signature) {
    return bytes.size() >= N && std::equal(signature.begin(), signature.end(), bytes.begin());
}

}  // namespace

bool looksLikePng(std::span<const std::uint8_t> bytes) {
    return startsWith(bytes, kPngSignature);
}

FileFormat fileFormatOf(std::string_view name, std::span<const std::uint8_t> bytes) {
    if (hasEnding(name, ".png")) {
        return FileFormat::kPng;
    }
    if (hasEnding(name, ".bmp")) {
        return FileFormat::kBmp;
    }
    if (looksLikePng(bytes)) {
        return FileFormat::kPng;
    }
    if (startsWith(bytes, kBmpSignature)) {
        return FileFormat::kBmp;
    }
    return FileFormat::kGrid;
}

}  // namespace quellon
