// The few calls into the operating system's file system that whole-file reading and writing
// (file_io.cpp) makes, each given a path in UTF-8: one implementation per platform, picked by the
// build (file_system_posix.cpp; file_system_win32.cpp, through the wide-character interfaces).
// pathExists and folderNames (file_io.h) are implemented beside these.
#pragma once

#include <cstdio>
#include <string>

namespace quellon {

// std::fopen by a UTF-8 path; null with errno set on failure.
std::FILE* openFile(const std::string& path, const char* mode);
// Renames `from` to `to` in one step, replacing a file already there; false with the reason.
bool replaceFile(const std::string& from, const std::string& to, std::string& reason);
// Removes a file, if it can.
void removeFile(const std::string& path);
// This process's number, to name its temporary files.
unsigned long processNumber();

}  // namespace quellon
