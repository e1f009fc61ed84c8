// quellon-probe: the program's view and walking, without its window, as numbers and pictures.
#include <cstdio>
#include <string>
#include <string_view>
#include <vector>

#include "app/frm_main.h"
#include "gfx/bmp.h"
#include "platform/headless.h"
#include "render/raycast.h"
#include "tools/file_io.h"
#include "tools/png.h"
#include "tools/probe_input.h"

namespace {

using quellon::probe::Command;

int fail(const std::string& message) {
    (void)std::fprintf(stderr, "quellon-probe: %s\n", message.c_str());
    return 2;
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

int cast(quellon::FrmMain& frm, const Command& command) {
    std::string out;
    const quellon::Scene scene{frm.pose, frm.worldMap, frm.trig};
    quellon::castStrips(static_cast<float>(command.width), static_cast<float>(command.height),
                        scene, [&](const quellon::Strip& s) {
                            char line[160];  // the longest line takes 113
                            (void)std::snprintf(
                                line, sizeof line, "%d %d %.9g %.9g %d %d %.9g %d %d\n", s.stripX,
                                s.rayOffset, s.rayAngle, static_cast<double>(s.hit.wallDist),
                                s.hit.wallCode, s.hit.texColumn, static_cast<double>(s.distance),
                                s.wallHeight, s.wallTop);
                            out += line;
                        });
    return writeStdout(out) ? 0 : fail("cannot write to standard output");
}

int frame(quellon::FrmMain& frm, quellon::HeadlessWindow& window, const Command& command) {
    window.resize(command.width, command.height);
    frm.clear();
    frm.Raycast();
    const quellon::Surface& picture = window.drawingSurface();
    const std::vector<std::uint8_t> bytes = command.format == Command::Format::kPng
                                                ? quellon::encodePng(picture)
                                                : quellon::encodeBmp(picture);
    if (bytes.empty()) {
        return fail("cannot encode the picture for " + command.out);
    }
    std::string error;
    return quellon::writeFileAtomically(command.out, bytes, error) ? 0 : fail(error);
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
        return writeStdout(quellon::probe::usage()) ? 0 : 2;
    }
    quellon::HeadlessWindow window;
    quellon::FrmMain frm(window, quellon::loadCarriedImages());
    frm.startUp();
    placePlayer(frm, command);
    switch (command.kind) {
        case Command::Kind::kCast:
            return cast(frm, command);
        case Command::Kind::kFrame:
            return frame(frm, window, command);
        case Command::Kind::kWalk:
            return walk(frm);
        case Command::Kind::kHelp:
            break;
    }
    return 0;
}
