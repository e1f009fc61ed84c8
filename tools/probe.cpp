// quellon-probe: the program's view and walking, without its window, as numbers and pictures.
#include <cstdio>
#include <optional>
#include <string>
#include <string_view>
#include <vector>

#include "app/entry.h"
#include "app/frm_main.h"
#include "app/maze_options.h"
#include "app/options.h"
#include "formats/bmp.h"
#include "formats/file_io.h"
#include "formats/level_text.h"
#include "formats/maze_deflate.h"
#include "formats/png.h"
#include "platform/headless.h"
#include "render/frame.h"
#include "render/ray_map.h"
#include "render/raycast.h"
#include "render/strip_text.h"
#include "render/what_if.h"
#include "tools/probe_input.h"
#include "tools/tool.h"

namespace {

using quellon::probe::Command;

const quellon::Tool& tool() {
    // The usage, and the maze options' own help.
    static const std::string usage =
        quellon::probe::usage() + quellon::optionsHelp(quellon::mazeOptions());
    static const quellon::Tool probe{"quellon-probe", usage};
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

bool fractionalOffsets(const Command& command) {
    return command.whatIf && command.whatIf->fractionalAngles();
}

quellon::FrameRules frameRulesOf(const Command& command) {
    return quellon::FrameRules{command.whatIf.value_or(quellon::WhatIfRules{}), command.untilStrip};
}

// The strips of the frame the command asks for.
std::vector<quellon::Strip> stripsOf(const quellon::FrmMain& frm, const Command& command,
                                     quellon::StripTrace* trace) {
    std::vector<quellon::Strip> strips;
    quellon::castFrame(static_cast<float>(command.width), static_cast<float>(command.height),
                       frm.scene(), frameRulesOf(command), strips, trace);
    return strips;
}

int cast(quellon::FrmMain& frm, const Command& command) {
    std::string out;
    for (const quellon::Strip& s : stripsOf(frm, command, nullptr)) {
        out += quellon::stripLine(s, fractionalOffsets(command));
    }
    return writeStdout(out) ? 0 : fail("cannot write to standard output");
}

// Writes the picture in the format OUT names; false with the reason in `error` if it cannot.
bool writePicture(const Command& command, const quellon::Surface& picture, std::string& error) {
    const std::vector<std::uint8_t> bytes = command.format == quellon::FileFormat::kPng
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
    const quellon::FrameRules rules = frameRulesOf(command);
    frm.setRules(rules.whatIf);
    frm.limitStrips(rules.stripsToDraw);
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
                           : quellon::wholeGridView(command.scale);
    std::optional<quellon::ChosenStrip> chosen;
    if (command.strip >= 0) {
        chosen = quellon::ChosenStrip{command.strip, trace.reads};
    }
    quellon::drawRayMap(picture, view, frm.scene(), strips, chosen);
    std::string error;
    if (!writePicture(command, picture, error)) {
        return fail(error);
    }
    if (command.strip < 0) {
        return 0;
    }
    std::string out;
    out += quellon::stripLine(strips[static_cast<std::size_t>(command.strip)],
                              fractionalOffsets(command));
    for (const quellon::CellRead& read : trace.reads) {
        out += quellon::cellReadLine(read);
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

int quellon::programMain(int argc, char** argv) {
    const std::vector<std::string_view> args(argv + 1, argv + argc);
    const auto parsed = quellon::probe::parseCommand(args);
    if (!parsed.ok()) {
        return fail(parsed.error);
    }
    const Command& command = parsed.command;
    if (command.kind == Command::Kind::kHelp) {
        return tool().help();
    }
    if (command.kind == Command::Kind::kVersion) {
        return writeStdout(std::string("quellon-probe ") + QUELLON_VERSION + "\n")
                   ? 0
                   : fail("cannot write to standard output");
    }
    // The maze and walls the options name, read as quellon reads them.
    quellon::StartSettings start{quellon::loadCarriedImages(), {}, {}, {}};
    for (const quellon::ProgramOption& option : quellon::mazeOptions()) {
        const std::string_view name = option.name;
        const std::string& value = name == "--level"  ? command.level
                                   : name == "--maze" ? command.maze
                                                      : command.textures;
        std::string error;
        if (!value.empty() && !option.apply(value, start, error)) {
            return fail(error);
        }
    }
    quellon::HeadlessWindow window;
    quellon::FrmMain frm(window, start.images);
    frm.startUp();
    frm.placePlayer(quellon::Pose{command.x, command.y, command.angle});
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
        case Command::Kind::kVersion:
            break;
    }
    return 0;
}
