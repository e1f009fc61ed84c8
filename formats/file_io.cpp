#include "formats/file_io.h"

#include <cerrno>
#include <cstdio>
#include <cstring>

#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

namespace quellon {

std::optional<std::vector<std::uint8_t>> readFile(const std::string& path, std::string& error,
                                                  std::size_t maxBytes) {
    std::FILE* file = std::fopen(path.c_str(), "rb");
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
    const std::string temporary = path + ".tmp" + std::to_string(::getpid());
    std::FILE* file = std::fopen(temporary.c_str(), "wb");
    if (file == nullptr) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        return false;
    }
    const bool written = std::fwrite(bytes.data(), 1, bytes.size(), file) == bytes.size();
    const bool closed = std::fclose(file) == 0;
    if (!written || !closed || std::rename(temporary.c_str(), path.c_str()) != 0) {
        error = "cannot write " + path + ": " + std::strerror(errno);
        (void)std::remove(temporary.c_str());  // best effort; the failure is already reported
        return false;
    }
    return true;
}

bool pathExists(const std::string& path) {
    struct stat info {};
    return ::stat(path.c_str(), &info) == 0;
}

std::optional<std::vector<std::string>> folderNames(const std::string& folder, std::string& error) {
    struct stat info {};
    if (::stat(folder.c_str(), &info) != 0) {
        error = folder + ": cannot open it: " + std::strerror(errno);
        return std::nullopt;
    }
    if (!S_ISDIR(info.st_mode)) {
        error = folder + ": not a folder";
        return std::nullopt;
    }
    DIR* entries = ::opendir(folder.c_str());
    if (entries == nullptr) {
        error = folder + ": cannot read it: " + std::strerror(errno);
        return std::nullopt;
    }
    std::vector<std::string> names;
    while (const dirent* entry = ::readdir(entries)) {
        names.emplace_back(entry->d_name);
    }
    (void)::closedir(entries);
    return names;
}

}  // namespace quellon
