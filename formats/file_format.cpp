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

// Whether the bytes are text: UTF-8 throughout, with no control characters but tabs and line
// ends.
bool isText(std::span<const std::uint8_t> bytes) {
    for (std::size_t i = 0; i < bytes.size();) {
        const std::uint8_t lead = bytes[i];
        if (lead < 0x80) {
            if ((lead < 0x20 && lead != '\t' && lead != '\n' && lead != '\r') || lead == 0x7F) {
                return false;
            }
            ++i;
            continue;
        }
        // A sequence of 2, 3 or 4 bytes: its lead says how many, each follower is 10xxxxxx.
        const std::size_t length = lead >= 0xF0 && lead <= 0xF4   ? 4
                                   : lead >= 0xE0 && lead <= 0xEF ? 3
                                   : lead >= 0xC2 && lead <= 0xDF ? 2
                                                                  : 0;
        if (length == 0 || bytes.size() - i < length) {
            return false;
        }
        for (std::size_t k = 1; k < length; ++k) {
            if ((bytes[i + k] & 0xC0) != 0x80) {
                return false;
            }
        }
        i += length;
    }
    return true;
}

}  // namespace

bool looksLikePng(std::span<const std::uint8_t> bytes) {
    return startsWith(bytes, kPngSignature);
}

FileFormat fileFormatOf(std::string_view name, std::span<const std::uint8_t> bytes) {
    if (looksLikePng(bytes)) {
        return FileFormat::kPng;
    }
    if (startsWith(bytes, kBmpSignature)) {
        return FileFormat::kBmp;
    }
    if (!bytes.empty()) {
        return isText(bytes) ? FileFormat::kGrid : FileFormat::kUnknown;
    }
    if (hasEnding(name, ".png")) {
        return FileFormat::kPng;
    }
    if (hasEnding(name, ".bmp")) {
        return FileFormat::kBmp;
    }
    return FileFormat::kGrid;
}

}  // namespace quellon
