// Whole-file reading and writing for the programs and tools; a file is written under a
// temporary name and renamed into place, so a failure never leaves half a file behind.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quellon {

// The whole file; none, with one line in `error` that names the file, if it cannot be read or
// holds more than `maxBytes`.
std::optional<std::vector<std::uint8_t>> readFile(const std::string& path, std::string& error,
                                                  std::size_t maxBytes = SIZE_MAX);
bool writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                         std::string& error);

}  // namespace quellon
