#include "formats/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include "formats/file_system.h"

namespace quellon {

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path, std::string& error,
                                                  std::size_t maxBytes) {
    std::FILE* file = openFile(path, "rb");
    if (file == nullptr) {
        error = path + ": cannot open it: " + std::strerror(errno);
        return std::nullopt;
    }
    std::vector<std::uint8_t> bytes;
    std::uint8_t buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, file)) > 0) {
        if (got > maxBytes - bytes.size()) {
            (void)std::fclose(file);
            error = path + ": larger than " + std::to_string(maxBytes) + " bytes";
            return std::nullopt;
        }
        bytes.insert(bytes.end(), buffer, buffer + got);
    }
    const int readError = std::ferror(file) != 0 ? errno : 0;
    (void)std::fclose(file);  // only read from: closing it cannot lose data
    if (readError != 0) {
        error = path + ": cannot read it: " + std::strerror(readError);
        return std::nullopt;
    }
    return bytes;
}

bool writeFileAtomically(const std::string& path, std::span<const std::uint8_t> bytes,
                         std::string& error) {
    const std::string temporary = path + ".tmp" + std::to_string(processNumber());
    std::FILE* file = openFile(temporary, "wb");
    if (file == nullptr) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    // The reason a failed write or close left in errno, unless the rename fails and says its own.
    std::string reason = std::strerror(errno);
    if (written && closed && replaceFile(temporary, path, reason)) {
        return true;
    }
    error = "cannot write " + path + ": " + reason;
    removeFile(temporary);  // best effort; the failure is already reported
    return false;
}

}  // namespace quellon
