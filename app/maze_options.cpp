#include "app/maze_options.h"

#include "files/maze_code.h"
#include "files/maze_files.h"

namespace quellon {

namespace {

constexpr const char* kLevelHelp =
    "             walk this maze: a grid as quellon-lab saves it (a row number and 64\n"
    "             cells a line: . open floor, 1-5 walls), or a 64 by 64 level image\n"
    "             (.bmp or .png) in the level's six colours\n";
constexpr const char* kMazeHelp = "             walk the maze of a link's #maze= code\n";
constexpr const char* kTexturesHelp =
    "             dress the walls in texture1 .. texture5 (.bmp or .png, 64 by 64) from\n"
    "             DIR; a wall whose file is missing keeps its own texture\n";

bool setLevel(ImageResult level, ImageHolders& images, std::string& error) {
    if (!level.ok()) {
        error = level.error;
        return false;
    }
    images.picMap = std::move(level.image);
    return true;
}

}  // namespace

bool applyLevelOption(std::string_view file, ImageHolders& images, std::string& error) {
    if (file.empty()) {
        error = "--level needs the name of a file";
        return false;
    }
    return setLevel(readLevelFile(std::string(file)), images, error);
}

bool applyMazeCodeOption(std::string_view code, ImageHolders& images, std::string& error) {
    return setLevel(levelFromMazeCode(code), images, error);
}

bool applyTexturesOption(std::string_view folder, ImageHolders& images, std::string& error) {
    if (folder.empty()) {
        error = "--textures needs the name of a folder";
        return false;
    }
    error = readTextureFolder(std::string(folder), images.picTexture);
    return error.empty();
}

std::array<ProgramOption, kMazeOptionCount> mazeOptions(decltype(ProgramOption::apply) applyLevel) {
    return {ProgramOption{"--level", "FILE", kLevelHelp, applyLevel, "--maze"},
            ProgramOption{"--maze", "CODE", kMazeHelp, &applyMazeCodeOption, "--level"},
            ProgramOption{"--textures", "DIR", kTexturesHelp, &applyTexturesOption}};
}

}  // namespace quellon
