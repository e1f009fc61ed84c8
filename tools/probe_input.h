// What quellon-probe reads: its command line and the walk scripts on standard input. Kept
// apart from the tool's main so that both can be tested and fuzzed on their own.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "formats/file_format.h"
#include "gfx/surface.h"
#include "render/ray_map.h"
#include "render/raycast.h"
#include "render/what_if.h"
#include "world/level.h"
#include "world/movement.h"

namespace quellon::probe {

inline constexpr int kMinSidePx = 1;
inline constexpr int kMaxSidePx = Surface::kMaxSidePx;
inline constexpr float kMaxPosition = kMapSize;
inline constexpr long kMaxTicksPerLine = 100'000'000;
inline constexpr int kMaxKeyCode = 65535;

struct Command {
    enum class Kind { kHelp, kVersion, kCast, kFrame, kWalk, kMap, kMazeCode, kMazeGrid };
    Kind kind = Kind::kHelp;
    // Unless given: the start pose, and the window's size as created.
    float x = kStartX;
    float y = kStartY;
    float angle = 0.0f;
    int width = kOpeningWidthPx;
    int height = kOpeningHeightPx;
    std::string out;                       // frame and map: the file to write
    FileFormat format = FileFormat::kBmp;  // by OUT's name: a BMP or a PNG
    std::string level;     // --level: a level file to use instead of the carried level image
    std::string maze;      // --maze: a maze code to use instead of it
    std::string textures;  // --textures: a folder of wall textures to use instead of the carried
    int scale = kDefaultMapScale;  // map --scale: pixels per cell
    int strip = -1;                // map --strip: the strip to show in detail, or -1
    int around = 0;                // map --around: cells across the picture, 0 for the grid
    // cast, frame and map --what-if: the rules the view is cast and drawn under; none for the
    // exact view.
    std::optional<WhatIfRules> whatIf;
    int untilStrip = kAllStrips;  // frame and map --until-strip: the strips drawn, from the left
};

struct CommandResult {
    Command command;
    std::string error;  // empty on success
    bool ok() const { return error.empty(); }
};

// args excludes the program name.
CommandResult parseCommand(const std::vector<std::string_view>& args);

struct WalkStep {
    long ticks = 0;
    std::vector<int> keys;  // virtual-key codes held during these ticks
};

struct WalkScriptResult {
    std::vector<WalkStep> steps;
    std::string error;  // empty on success; otherwise "line N: ..."
    bool ok() const { return error.empty(); }
};

// One step per line: a tick count, then the held keys by name (left, right, up, down, comma,
// period) or by decimal virtual-key code. Empty lines and lines starting with '#' are skipped.
WalkScriptResult parseWalkScript(std::string_view text);

// The usage text, as --help prints it, but for the maze options (MAZE), whose help is theirs.
const std::string& usage();

}  // namespace quellon::probe
