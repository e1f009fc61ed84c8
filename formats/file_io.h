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

// Whether something (a file, a folder) goes by `path`.
bool pathExists(const std::string& path);

// The names in the folder, in no order; none, with one line in `error` that names the folder,
// if it cannot be read or is no folder.
std::optional<std::vector<std::string>> folderNames(const std::string& folder, std::string& error);

}  // namespace quellon
