// quellon-probe: the program's view and walking, without its window, as numbers and pictures.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/frm_main.h"
#include "app/maze_options.h"
#include "files/file_io.h"
#include "files/maze_code.h"
#include "files/png.h"
#include "gfx/bmp.h"
#include "platform/headless.h"
#include "render/ray_map.h"
#include "render/raycast.h"
#include "render/what_if.h"
#include "tools/probe_input.h"
#include "tools/tool.h"
#include "world/level_text.h"

namespace {

using quellon::probe::Command;

const quellon::Tool& tool() {
    static const quellon::Tool probe{"quellon-probe", quellon::probe::usage()};
    return probe;
}

int fail(const std::string& message) {
    return tool().fail(message);
}

// Prints %.9g of a single-precision value.
void appendFloat(std::string& out, double value) {
    char buffer[32];  // the longest %.9g, "-1.23456789e-308", takes 16
    (void)std::snprintf(buffer, sizeof buffer, "%.9g", value);
    out += buffer;
}

bool writeStdout(const std::string& text) {
    return std::fwrite(text.data(), 1, text.size(), stdout) == text.size() &&
           std::fflush(stdout) == 0;
}

void placePlayer(quellon::FrmMain& frm, const Command& command) {
    frm.pose.playerX = command.x;
    frm.pose.playerY = command.y;
    frm.pose.playerAngle = command.angle;
}

// A strip as one line: stripX rayOffset rayAngle wallDist wallCode texColumn distance
// wallHeight wallTop. The offset is a whole number unless the rules make it `fractional`.
void appendStrip(std::string& out, const quellon::Strip& s, bool fractional) {
    char offset[32];
    (void)std::snprintf(offset, sizeof offset, fractional ? "%.9g" : "%.0f", s.rayOffset);
    char line[192];  // the longest line takes 129
    (void)std::snprintf(line, sizeof line, "%d %s %.9g %.9g %d %d %.9g %d %d\n", s.stripX, offset,
                        s.rayAngle, static_cast<double>(s.hit.wallDist), s.hit.wallCode,
                        s.hit.texColumn, static_cast<double>(s.distance), s.wallHeight, s.wallTop);
    out += line;
}

// A cell a walk read as one line: h or v, the crossing, the cell and its code.
void appendRead(std::string& out, const quellon::CellRead& read) {
    char line[96];
    (void)std::snprintf(line, sizeof line, "%c %.9g %.9g %d %d %d\n",
                        read.walk == quellon::WalkLines::kHorizontal ? 'h' : 'v',
                        static_cast<double>(read.x), static_cast<double>(read.y), read.column,
                        read.row, read.code);
    out += line;
}

quellon::Scene sceneOf(const quellon::FrmMain& frm) {
    return quellon::Scene{frm.pose, frm.worldMap, frm.trig};
}

bool fractionalOffsets(const Command& command) {
    return command.whatIf && command.whatIf->fractionalAngles();
}

// The strips the command asks for: the exact cast's, or under its rules and up to its strip.
std::vector<quellon::Strip> stripsOf(const quellon::FrmMain& frm, const Command& command,
                                     quellon::StripTrace* trace) {
    const auto width = static_cast<float>(command.width);
    const auto height = static_cast<float>(command.height);
    std::vector<quellon::Strip> strips;
    if (command.whatIf || command.untilStrip != quellon::kAllStrips) {
        quellon::castWhatIfStrips(width, height, sceneOf(frm),
                                  command.whatIf.value_or(quellon::WhatIfRules{}), strips,
                                  command.untilStrip, trace);
    } else {
        quellon::castStrips(
            width, height, sceneOf(frm), [&](const quellon::Strip& s) { strips.push_back(s); },
            trace);
    }
    return strips;
}

int cast(quellon::FrmMain& frm, const Command& command) {
    std::string out;
    for (const quellon::Strip& s : stripsOf(frm, command, nullptr)) {
        appendStrip(out, s, fractionalOffsets(command));
    }
    return writeStdout(out) ? 0 : fail("cannot write to standard output");
}

// Writes the picture in the format OUT names; false with the reason in `error` if it cannot.
bool writePicture(const Command& command, const quellon::Surface& picture, std::string& error) {
    const std::vector<std::uint8_t> bytes = command.format == Command::Format::kPng
                                                ? quellon::encodePng(picture)
                                                : quellon::encodeBmp(picture);
    if (bytes.empty()) {
        error = "cannot encode the picture for " + command.out;
        return false;
    }
    return quellon::writeFileAtomically(command.out, bytes, error);
}

int frame(quellon::FrmMain& frm, quellon::HeadlessWindow& window, const Command& command) {
    window.resize(command.width, command.height);
    if (command.whatIf) {
        frm.whatIf = &*command.whatIf;
    }
    frm.stripsToDraw = command.untilStrip;
    frm.clear();
    frm.Raycast();
    std::string error;
    return writePicture(command, window.drawingSurface(), error) ? 0 : fail(error);
}

int map(quellon::FrmMain& frm, const Command& command) {
    quellon::StripTrace trace;
    trace.strip = command.strip;
    const std::vector<quellon::Strip> strips = stripsOf(frm, command, &trace);
    // The whole grid, or only the cells around the player, centred on them as the lab does.
    const int cells = command.around > 0 ? command.around : quellon::kMapSize;
    const int side = cells * command.scale;
    quellon::Surface picture(side, side);
    const quellon::RayMapView view =
        command.around > 0 ? quellon::mapViewCentredOn(frm.pose.playerX, frm.pose.playerY,
                                                       command.scale, side / 2, side / 2)
                           : quellon::RayMapView{command.scale, 0, 0};
    std::optional<quellon::ChosenStrip> chosen;
    if (command.strip >= 0) {
        chosen = quellon::ChosenStrip{command.strip, trace.reads};
    }
    quellon::drawRayMap(picture, view, sceneOf(frm), strips, chosen);
    std::string error;
    if (!writePicture(command, picture, error)) {
        return fail(error);
    }
    if (command.strip < 0) {
        return 0;
    }
    std::string out;
    appendStrip(out, strips[static_cast<std::size_t>(command.strip)], fractionalOffsets(command));
    for (const quellon::CellRead& read : trace.reads) {
        appendRead(out, read);
    }
    return writeStdout(out) ? 0 : fail("cannot write to standard output");
}

int walk(quellon::FrmMain& frm) {
    std::string script;
    char buffer[65536];
    std::size_t got = 0;
    while ((got = std::fread(buffer, 1, sizeof buffer, stdin)) > 0) {
        script.append(buffer, got);
    }
    if (std::ferror(stdin)) {
        return fail("cannot read the script from standard input");
    }
    const auto parsed = quellon::probe::parseWalkScript(script);
    if (!parsed.ok()) {
        return fail("script " + parsed.error);
    }
    std::string out;
    for (const quellon::probe::WalkStep& step : parsed.steps) {
        for (int code = 0; code < quellon::kKeyCodes; ++code) {
            frm.Form_KeyUp(code, 0);
        }
        for (const int code : step.keys) {
            frm.Form_KeyDown(code, 0);
        }
        for (long tick = 0; tick < step.ticks; ++tick) {
            frm.GameCode();
        }
        appendFloat(out, frm.pose.playerX);
        out += ' ';
        appendFloat(out, frm.pose.playerY);
        out += ' ';
        appendFloat(out, frm.pose.playerAngle);
        out += '\n';
    }
    return writeStdout(out) ? 0 : fail("cannot write to standard output");
}

}  // namespace

int main(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const auto parsed = quellon::probe::parseCommand(args);
    if (!parsed.ok()) {
        return fail(parsed.error);
    }
    const Command& command = parsed.command;
    if (command.kind == Command::Kind::kHelp) {
        return tool().help();
    }
    quellon::HeadlessWindow window;
    quellon::FrmMain frm(window, quellon::loadCarriedImages());
    // The maze and walls the options name, read as quellon reads them.
    std::string error;
    const bool given =
        (command.level.empty() || quellon::applyLevelOption(command.level, frm.holders, error)) &&
        (command.maze.empty() || quellon::applyMazeCodeOption(command.maze, frm.holders, error)) &&
        (command.textures.empty() ||
         quellon::applyTexturesOption(command.textures, frm.holders, error));
    if (!given) {
        return fail(error);
    }
    frm.startUp();
    placePlayer(frm, command);
    switch (command.kind) {
        case Command::Kind::kCast:
            return cast(frm, command);
        case Command::Kind::kFrame:
            return frame(frm, window, command);
        case Command::Kind::kWalk:
            return walk(frm);
        case Command::Kind::kMap:
            return map(frm, command);
        case Command::Kind::kMazeCode:
            return writeStdout(quellon::mazeCode(frm.worldMap) + "\n")
                       ? 0
                       : fail("cannot write to standard output");
        case Command::Kind::kMazeGrid:
            return writeStdout(quellon::levelText(frm.worldMap))
                       ? 0
                       : fail("cannot write to standard output");
        case Command::Kind::kHelp:
            break;
    }
    return 0;
}
