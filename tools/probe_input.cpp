#include "tools/probe_input.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <span>
#include <string>

#include "formats/level_text.h"
#include "text/one_line.h"
#include "world/keys.h"

namespace quellon::probe {

const std::string& usage() {
    static const std::string text =
        "usage: quellon-probe cast X Y ANGLE [WIDTH HEIGHT] [--what-if RULES] [MAZE]\n"
        "       quellon-probe frame X Y ANGLE WIDTH HEIGHT OUT.bmp|OUT.png [--what-if RULES]\n"
        "                     [--until-strip K] [MAZE]\n"
        "       quellon-probe map X Y ANGLE WIDTH HEIGHT OUT.bmp|OUT.png [--scale S] [--strip N]\n"
        "                     [--around CELLS] [--what-if RULES] [--until-strip K] [MAZE]\n"
        "       quellon-probe walk [X Y ANGLE] [MAZE] < SCRIPT\n"
        "       quellon-probe maze-code [MAZE]\n"
        "       quellon-probe maze-grid [MAZE]\n"
        "       quellon-probe --help | --version\n"
        "MAZE:  [--level FILE | --maze CODE] [--textures DIR]\n"
        "\n"
        "cast   prints one line per strip of the view from the pose, left to right:\n"
        "       stripX rayOffset rayAngle wallDist wallCode texColumn distance wallHeight wallTop\n"
        "       (distance is corrected for the ray's offset; the default size is " +
        std::to_string(kOpeningWidthPx) + " by " + std::to_string(kOpeningHeightPx) +
        ")\n"
        "frame  writes the view as the window draws it, without the text, as a 24-bit BMP\n"
        "       when OUT ends in .bmp, as a PNG when it ends in .png\n"
        "map    writes the level from above with the rays of that view, S pixels per cell\n"
        "       (default " +
        std::to_string(kDefaultMapScale) + ", " + std::to_string(kMinMapScale) + ".." +
        std::to_string(kMaxMapScale) +
        "); with --strip N it marks every crossing that strip's\n"
        "       two walks read and prints the strip's line as cast does, then one line per\n"
        "       cell read, the horizontal walk's first: h|v x y column row code; with\n"
        "       --around it shows only that many cells across, centred on the player\n"
        "walk   starts from the pose (default 2.5 2.5 0) and reads one step per line: a tick\n"
        "       count and the keys held during those ticks, by name (left right up down comma\n"
        "       period) or decimal virtual-key code; '#' starts a comment line. After each step\n"
        "       it prints: playerX playerY playerAngle\n"
        "maze-code  prints the maze's code, as a link to the web page carries it after #maze=\n"
        "maze-grid  prints the maze's grid, as quellon-lab saves it\n"
        "\n"
        "X and Y are map positions in 0.." +
        std::to_string(kMapSize) +
        ", ANGLE a heading in degrees, all read as\n"
        "single-precision numbers; WIDTH and HEIGHT are whole pixels in 1.." +
        std::to_string(kMaxSidePx) +
        ".\n"
        "--what-if casts and draws the view with some of its rules changed; RULES is a\n"
        "comma-separated list, each rule at most once (empty: the view as it is):\n"
        "  fisheye       distances are not corrected for the ray's offset\n"
        "  fov=D         a field of view of D whole degrees, " +
        std::to_string(kMinWhatIfFieldOfViewDegrees) + ".." +
        std::to_string(kMaxWhatIfFieldOfViewDegrees) + ", instead of " +
        std::to_string(kFieldOfViewDegrees) +
        "\n"
        "  strip=N       strips N pixels wide, " +
        std::to_string(kMinWhatIfStripWidthPx) + ".." + std::to_string(kMaxWhatIfStripWidthPx) +
        ", instead of " + std::to_string(kStripWidthPx) +
        "\n"
        "  exact-angles  each strip's ray at its own angle, in equal steps, trigonometry computed\n"
        "  screen-rays   rays through equally spaced points of a flat screen (not with\n"
        "                exact-angles)\n"
        "  plain-walls   each wall in its level colour, channels halved where the vertical walk\n"
        "                won, no texture\n"
        "With exact-angles or screen-rays, cast prints rayOffset with %.9g, as rayAngle.\n"
        "--until-strip K draws only strips 0..K-1 (all of them if K is more), the rest of the\n"
        "view background, and maps only their rays.\n"
        "Bad input is reported on stderr with exit status 2.\n"
        "MAZE: another maze or walls instead of those carried in the program:\n";
    return text;
}

namespace {

bool parseFloat(std::string_view text, float& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value, std::chars_format::general);
    return ec == std::errc{} && ptr == end && std::isfinite(value);
}

bool parseWhole(std::string_view text, long& value) {
    const char* end = text.data() + text.size();
    const auto [ptr, ec] = std::from_chars(text.data(), end, value);
    return ec == std::errc{} && ptr == end && !text.empty() && text.front() != '-';
}

// Reads X Y ANGLE from args[at..at+2].
std::string readPose(const std::vector<std::string_view>& args, std::size_t at, Command& c) {
    if (!parseFloat(args[at], c.x) || c.x < 0 || c.x > kMaxPosition) {
        return "X must be a number in 0.." + std::to_string(kMapSize) + ", not " + quoted(args[at]);
    }
    if (!parseFloat(args[at + 1], c.y) || c.y < 0 || c.y > kMaxPosition) {
        return "Y must be a number in 0.." + std::to_string(kMapSize) + ", not " +
               quoted(args[at + 1]);
    }
    if (!parseFloat(args[at + 2], c.angle)) {
        return "ANGLE must be a finite number, not " + quoted(args[at + 2]);
    }
    return {};
}

std::string sizeRange() {
    return std::to_string(kMinSidePx) + ".." + std::to_string(kMaxSidePx);
}

std::string readSize(const std::vector<std::string_view>& args, std::size_t at, Command& c) {
    long width = 0;
    long height = 0;
    if (!parseWhole(args[at], width) || width < kMinSidePx || width > kMaxSidePx) {
        return "WIDTH must be a whole number in " + sizeRange() + ", not " + quoted(args[at]);
    }
    if (!parseWhole(args[at + 1], height) || height < kMinSidePx || height > kMaxSidePx) {
        return "HEIGHT must be a whole number in " + sizeRange() + ", not " + quoted(args[at + 1]);
    }
    c.width = static_cast<int>(width);
    c.height = static_cast<int>(height);
    return {};
}

CommandResult failure(std::string why) {
    return {Command{}, std::move(why)};
}

int keyCodeFor(std::string_view word) {
    if (const int named = vk::named(word); named != 0) {
        return named;
    }
    long code = -1;
    if (parseWhole(word, code) && code <= kMaxKeyCode) {
        return static_cast<int>(code);
    }
    return -1;
}

}  // namespace

namespace {

std::string readOut(std::string_view text, Command& c) {
    c.out = std::string(text);
    if (c.out.empty()) {
        return "OUT must name a file";
    }
    c.format = fileFormatOf(c.out);
    if (c.format == FileFormat::kGrid) {
        return "OUT must end in .bmp or .png, not " + quoted(text);
    }
    return {};
}

// Reads the options that follow a command's operands, in pairs: the name, then its value.
std::string readOptions(std::span<const std::string_view> options, Command& c) {
    bool seenLevel = false;
    bool seenMaze = false;
    bool seenTextures = false;
    bool seenScale = false;
    bool seenStrip = false;
    bool seenAround = false;
    bool seenUntil = false;
    std::string_view stripText;
    constexpr std::string_view kOptionNames[] = {"--level",   "--maze",       "--textures",
                                                 "--scale",   "--strip",      "--around",
                                                 "--what-if", "--until-strip"};
    for (std::size_t i = 0; i < options.size(); i += 2) {
        const std::string_view name = options[i];
        if (std::find(std::begin(kOptionNames), std::end(kOptionNames), name) ==
            std::end(kOptionNames)) {
            return "unknown option " + quoted(name);
        }
        if (i + 1 == options.size()) {
            return "option " + quoted(name) + " needs a value";
        }
        const std::string_view value = options[i + 1];
        const bool forMap = c.kind == Command::Kind::kMap;
        const bool forPicture = forMap || c.kind == Command::Kind::kFrame;
        const bool forView = forPicture || c.kind == Command::Kind::kCast;
        if (name == "--level" && !seenLevel) {
            seenLevel = true;
            if (value.empty()) {
                return "--level must name a file";
            }
            c.level = std::string(value);
        } else if (name == "--maze" && !seenMaze) {
            seenMaze = true;
            if (value.empty()) {
                return "--maze must give a maze code";
            }
            c.maze = std::string(value);
        } else if (name == "--textures" && !seenTextures) {
            seenTextures = true;
            if (value.empty()) {
                return "--textures must name a folder";
            }
            c.textures = std::string(value);
        } else if (name == "--scale" && forMap && !seenScale) {
            seenScale = true;
            long scale = 0;
            if (!parseWhole(value, scale) || scale < kMinMapScale || scale > kMaxMapScale) {
                return "--scale must be a whole number in " + std::to_string(kMinMapScale) + ".." +
                       std::to_string(kMaxMapScale) + ", not " + quoted(value);
            }
            c.scale = static_cast<int>(scale);
        } else if (name == "--strip" && forMap && !seenStrip) {
            seenStrip = true;
            stripText = value;  // its range depends on --what-if, checked once all are read
        } else if (name == "--around" && forMap && !seenAround) {
            seenAround = true;
            long around = 0;
            if (!parseWhole(value, around) || around < 1 || around > kMapSize) {
                return "--around must be a whole number of cells in 1.." +
                       std::to_string(kMapSize) + ", not " + quoted(value);
            }
            c.around = static_cast<int>(around);
        } else if (name == "--level" || name == "--maze" || name == "--textures") {
            return "option " + quoted(name) + " given twice";
        } else if (name == "--what-if" && forView && !c.whatIf) {
            WhatIfParse rules = parseWhatIf(value);
            if (!rules.ok()) {
                return "--what-if: " + rules.error;
            }
            c.whatIf = rules.rules;
        } else if (name == "--until-strip" && forPicture && !seenUntil) {
            seenUntil = true;
            long until = 0;
            if (!parseWhole(value, until)) {
                return "--until-strip must be a whole number of strips, 0 or more, not " +
                       quoted(value);
            }
            // Beyond the frame's strips every one is drawn.
            c.untilStrip = static_cast<int>(std::min<long>(until, kAllStrips));
        } else if (name == "--scale" || name == "--strip" || name == "--around" ||
                   name == "--what-if" || name == "--until-strip") {
            const bool allowed = (name == "--what-if" && forView) ||
                                 (name == "--until-strip" && forPicture) || forMap;
            if (allowed) {
                return "option " + quoted(name) + " given twice";
            }
            return "option " + quoted(name) + " is for " +
                   (name == "--what-if"       ? "cast, frame and map"
                    : name == "--until-strip" ? "frame and map"
                                              : "map") +
                   " only";
        } else {
            return "unknown option " + quoted(name);
        }
    }
    if (seenLevel && seenMaze) {
        return "give --level or --maze, not both";
    }
    if (seenStrip) {
        long strip = -1;
        const int strips =
            whatIfStripCount(static_cast<float>(c.width), c.whatIf.value_or(WhatIfRules{}));
        if (!parseWhole(stripText, strip) || strip >= strips) {
            return "--strip must be a strip of the view, 0.." + std::to_string(strips - 1) +
                   ", not " + quoted(stripText);
        }
        if (strip >= c.untilStrip) {
            return c.untilStrip == 0
                       ? "--strip has no strip to show: --until-strip 0 draws none"
                       : "--strip must be one of the strips --until-strip draws, 0.." +
                             std::to_string(c.untilStrip - 1) + ", not " + quoted(stripText);
        }
        c.strip = static_cast<int>(strip);
    }
    return {};
}

}  // namespace

CommandResult parseCommand(const std::vector<std::string_view>& args) {
    if (args.empty()) {
        return failure(
            "no command given (cast, frame, map, walk, maze-code or maze-grid; --help shows the "
            "usage)");
    }
    const std::string_view verb = args[0];
    CommandResult result;
    Command& c = result.command;
    if (verb == "--help" || verb == "-h" || verb == "help" || verb == "--version") {
        if (args.size() != 1) {
            return failure(std::string(verb) + " takes no arguments");
        }
        c.kind = verb == "--version" ? Command::Kind::kVersion : Command::Kind::kHelp;
        return result;
    }
    // The operands come first; the options, each "--name value", after them.
    const auto firstOption = std::find_if(args.begin() + 1, args.end(), [](std::string_view arg) {
        return arg.substr(0, 2) == "--";
    });
    const auto operands = static_cast<std::size_t>(firstOption - (args.begin() + 1));
    const auto options = std::span<const std::string_view>(args).subspan(operands + 1);
    if (verb == "cast") {
        if (operands != 3 && operands != 5) {
            return failure("cast takes X Y ANGLE [WIDTH HEIGHT], got " + std::to_string(operands) +
                           " arguments");
        }
        c.kind = Command::Kind::kCast;
        result.error = readPose(args, 1, c);
        if (result.ok() && operands == 5) {
            result.error = readSize(args, 4, c);
        }
    } else if (verb == "frame" || verb == "map") {
        if (operands != 6) {
            return failure(std::string(verb) + " takes X Y ANGLE WIDTH HEIGHT OUT, got " +
                           std::to_string(operands) + " arguments");
        }
        c.kind = verb == "map" ? Command::Kind::kMap : Command::Kind::kFrame;
        result.error = readPose(args, 1, c);
        if (result.ok()) {
            result.error = readSize(args, 4, c);
        }
        if (result.ok()) {
            result.error = readOut(args[6], c);
        }
    } else if (verb == "walk") {
        if (operands != 0 && operands != 3) {
            return failure("walk takes [X Y ANGLE], got " + std::to_string(operands) +
                           " arguments");
        }
        c.kind = Command::Kind::kWalk;
        if (operands == 3) {
            result.error = readPose(args, 1, c);
        }
    } else if (verb == "maze-code" || verb == "maze-grid") {
        if (operands != 0) {
            return failure(std::string(verb) + " takes no arguments but options, got " +
                           std::to_string(operands));
        }
        c.kind = verb == "maze-code" ? Command::Kind::kMazeCode : Command::Kind::kMazeGrid;
    } else {
        return failure("unknown command " + quoted(verb) +
                       " (cast, frame, map, walk, maze-code or maze-grid)");
    }
    if (result.ok()) {
        result.error = readOptions(options, c);
    }
    if (!result.ok()) {
        result.command = Command{};
    }
    return result;
}

WalkScriptResult parseWalkScript(std::string_view text) {
    WalkScriptResult result;
    long lineNumber = 0;
    while (!text.empty()) {
        const std::string_view line = takeLine(text);
        ++lineNumber;
        const auto fail = [&](const std::string& why) {
            result.steps.clear();
            result.error = "line " + std::to_string(lineNumber) + ": " + why;
            return result;
        };
        const std::size_t first = line.find_first_not_of(" \t");
        if (first == std::string_view::npos || line[first] == '#') {
            continue;
        }
        WalkStep step;
        bool haveCount = false;
        std::size_t at = first;
        while (at < line.size()) {
            const std::size_t stop = std::min(line.find_first_of(" \t", at), line.size());
            const std::string_view word = line.substr(at, stop - at);
            at = std::min(line.find_first_not_of(" \t", stop), line.size());
            if (!haveCount) {
                if (!parseWhole(word, step.ticks) || step.ticks > kMaxTicksPerLine) {
                    return fail("expected a tick count in 0..100000000, not " + quoted(word));
                }
                haveCount = true;
                continue;
            }
            const int code = keyCodeFor(word);
            if (code < 0) {
                return fail("unknown key " + quoted(word) +
                            " (left, right, up, down, comma, period or a code 0..65535)");
            }
            step.keys.push_back(code);
        }
        result.steps.push_back(std::move(step));
    }
    return result;
}

}  // namespace quellon::probe
