#include <dirent.h>
#include <sys/stat.h>
#include <unistd.h>

#include <cerrno>
#include <cstring>

#include "formats/file_io.h"
#include "formats/file_system.h"

namespace quellon {

std::FILE* openFile(const std::string& path, const char* mode) {
    return std::fopen(path.c_str(), mode);
}

bool replaceFile(const std::string& from, const std::string& to, std::string& reason) {
    if (std::rename(from.c_str(), to.c_str()) != 0) {
        reason = std::strerror(errno);
        return false;
    }
    return true;
}

void removeFile(const std::string& path) {
    (void)std::remove(path.c_str());
}

unsigned long processNumber() {
    return static_cast<unsigned long>(::getpid());
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
    // cppcheck-suppress readdirCalled ; one thread, one listing: readdir_r is deprecated in glibc
    while (const dirent* entry = ::readdir(entries)) {
        names.emplace_back(entry->d_name);
    }
    (void)::closedir(entries);
    return names;
}

}  // namespace quellon
