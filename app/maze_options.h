// The options that give a program a maze and walls of the user's own, read from files, and the
// rules of the picture to start with: the one home of what they take and what their help says.
// quellon, the lab and the probe all take them.
#pragma once

#include <span>

#include "app/options.h"

namespace quellon {

// --level FILE (a grid or a level image), --maze CODE (a maze from a link) and --textures DIR.
std::span<const ProgramOption> mazeOptions();

// --what-if LIST: the rules of the picture to start with, as the lab takes them.
const ProgramOption& whatIfOption();

}  // namespace quellon
