#include "app/maze_options.h"

#include <array>

#include "formats/maze_deflate.h"
#include "formats/maze_files.h"

namespace quellon {

namespace {

bool setLevel(ImageResult level, StartSettings& start, std::string& error) {
    if (!level.ok()) {
        error = level.error;
        return false;
    }
    start.images.picMap = std::move(level.image);
    return true;
}

bool applyLevel(std::string_view file, StartSettings& start, std::string& error) {
    if (file.empty()) {
        error = "--level needs the name of a file";
        return false;
    }
    const std::string name(file);
    ImageResult level = readLevelFile(name);
    start.saveFile = level.ok() ? saveNameFor(name, level) : "";
    if (!setLevel(std::move(level), start, error)) {
        return false;
    }
    start.levelFile = name;
    return true;
}

bool applyMazeCode(std::string_view code, StartSettings& start, std::string& error) {
    return setLevel(levelFromMazeCode(code), start, error);
}

bool applyTextures(std::string_view folder, StartSettings& start, std::string& error) {
    if (folder.empty()) {
        error = "--textures needs the name of a folder";
        return false;
    }
    error = readTextureFolder(std::string(folder), start.images.picTexture);
    return error.empty();
}

bool applyWhatIf(std::string_view list, StartSettings& start, std::string& error) {
    const WhatIfParse parsed = parseWhatIf(list);
    if (!parsed.ok()) {
        error = "--what-if: " + parsed.error;
        return false;
    }
    start.rules = parsed.rules;
    return true;
}

constexpr const char* kLevelHelp =
    "             the maze in a file: a grid as quellon-lab saves it (64 lines, each the\n"
    "             row number 00..63, a space and 64 cells: . open floor, 1-5 walls), or a\n"
    "             64 by 64 level image (.bmp or .png) in the level's six colours\n";
constexpr const char* kMazeHelp = "             the maze of a link: the code after #maze=\n";
constexpr const char* kTexturesHelp =
    "             walls of your own: texture1 .. texture5 (.bmp or .png, 64 by 64) in\n"
    "             DIR; a wall whose file is missing keeps its own texture\n";
constexpr const char* kWhatIfHelp =
    "             start with some of the picture's rules changed: a comma-separated\n"
    "             list of fisheye, fov=D (20..160), strip=N (1..16), exact-angles,\n"
    "             screen-rays, plain-walls\n";

constexpr std::array kMazeOptions = {
    ProgramOption{"--level", "FILE", kLevelHelp, &applyLevel, "--maze"},
    ProgramOption{"--maze", "CODE", kMazeHelp, &applyMazeCode, "--level"},
    ProgramOption{"--textures", "DIR", kTexturesHelp, &applyTextures}};
constexpr ProgramOption kWhatIfOption{"--what-if", "LIST", kWhatIfHelp, &applyWhatIf};

}  // namespace

std::span<const ProgramOption> mazeOptions() {
    return kMazeOptions;
}

const ProgramOption& whatIfOption() {
    return kWhatIfOption;
}

}  // namespace quellon
