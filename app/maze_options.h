// The options that give the desktop programs a maze and walls of the user's own: --level FILE
// (a grid or a level image), --maze CODE (a maze from a link) and --textures DIR.
#pragma once

#include <array>
#include <string>
#include <string_view>

#include "app/launch.h"

namespace quellon {

inline constexpr int kMazeOptionCount = 3;

// The three options, as quellon takes them.
std::array<ProgramOption, kMazeOptionCount> mazeOptions();

// What each option does alone, for a program that adds its own step (the lab remembers where
// it opened its maze).
bool applyLevelOption(std::string_view file, ImageHolders& images, std::string& error);
bool applyMazeCodeOption(std::string_view code, ImageHolders& images, std::string& error);
bool applyTexturesOption(std::string_view folder, ImageHolders& images, std::string& error);

}  // namespace quellon
