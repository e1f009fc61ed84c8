// The options that give the desktop programs a maze and walls of the user's own: --level FILE
// (a grid or a level image), --maze CODE (a maze from a link) and --textures DIR.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "app/launch.h"

namespace quellon {

inline constexpr int kMazeOptionCount = 3;

// What each option does with its value: the maze or the walls it names go into `images`; false
// with one line in `error` (naming the file, for a file).
bool applyLevelOption(std::string_view file, ImageHolders& images, std::string& error);
bool applyMazeCodeOption(std::string_view code, ImageHolders& images, std::string& error);
bool applyTexturesOption(std::string_view folder, ImageHolders& images, std::string& error);

// The three options, as quellon takes them. A program that does more with --level (the lab
// remembers where it opened its maze) gives its own `applyLevel`, which calls applyLevelOption.
std::array<ProgramOption, kMazeOptionCount> mazeOptions(
    decltype(ProgramOption::apply) applyLevel = &applyLevelOption);

}  // namespace quellon
