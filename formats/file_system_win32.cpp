// Files on Windows, through the wide-character interfaces, so that a path with any characters
// (été.txt) names its file rather than whatever the ANSI code page makes of it.
#include <windows.h>

#include <cstdio>

#include "formats/file_io.h"
#include "formats/file_system.h"
#include "text/win32_text.h"

namespace quellon {

std::FILE* openFile(const std::string& path, const char* mode) {
    return _wfopen(widen(path).c_str(), widen(mode).c_str());
}

bool replaceFile(const std::string& from, const std::string& to, std::string& reason) {
    if (MoveFileExW(widen(from).c_str(), widen(to).c_str(),
                    MOVEFILE_REPLACE_EXISTING | MOVEFILE_WRITE_THROUGH) == 0) {
        reason = systemMessage(GetLastError());
        return false;
    }
    return true;
}

void removeFile(const std::string& path) {
    (void)_wremove(widen(path).c_str());
}

unsigned long processNumber() {
    return GetCurrentProcessId();
}

bool pathExists(const std::string& path) {
    return GetFileAttributesW(widen(path).c_str()) != INVALID_FILE_ATTRIBUTES;
}

std::optional<std::vector<std::string>> folderNames(const std::string& folder, std::string& error) {
    const std::wstring wide = widen(folder);
    const DWORD attributes = GetFileAttributesW(wide.c_str());
    if (attributes == INVALID_FILE_ATTRIBUTES) {
        error = folder + ": cannot open it: " + systemMessage(GetLastError());
        return std::nullopt;
    }
    if ((attributes & FILE_ATTRIBUTE_DIRECTORY) == 0) {
        error = folder + ": not a folder";
        return std::nullopt;
    }
    WIN32_FIND_DATAW found{};
    HANDLE search = FindFirstFileW((wide + L"\\*").c_str(), &found);
    if (search == INVALID_HANDLE_VALUE) {
        error = folder + ": cannot read it: " + systemMessage(GetLastError());
        return std::nullopt;
    }
    std::vector<std::string> names;
    do {
        names.push_back(narrow(found.cFileName));
    } while (FindNextFileW(search, &found) != 0);
    (void)FindClose(search);
    return names;
}

}  // namespace quellon
