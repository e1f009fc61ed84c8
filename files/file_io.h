// Whole-file reading and writing for the tools; a file is written under a temporary name
// and renamed into place, so a failure never leaves half a file behind.
#pragma once

#include <cstdint>
#include <optional>
#include <span>
#include <string>
#include <vector>

namespace quellon {

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path, std::string& error);
bool writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                         std::string& error);

}  // namespace quellon
