// quellon-lab: the view as quellon draws it, beside the live ray map of every frame.
#include <algorithm>
#include <array>

#include "app/launch.h"
#include "app/maze_options.h"
#include "files/file_io.h"
#include "files/maze_files.h"
#include "lab/lab_panel.h"
#include "platform/sdl_window.h"
#include "render/what_if.h"

namespace quellon {

namespace {

// Saves the maze in the file's own form (by its name), under a temporary name first.
bool saveToFile(const std::string& name, const WorldMap& maze, std::string& error) {
    const std::vector<std::uint8_t> bytes = levelFileBytes(name, maze);
    if (bytes.empty()) {
        error = "cannot encode the maze for " + name;
        return false;
    }
    return writeFileAtomically(name, bytes, error);
}

bool openFile(const std::string& name, Surface& levelImage, std::string& error) {
    ImageResult level = readLevelFile(name);
    if (!level.ok()) {
        error = level.error;
        return false;
    }
    levelImage = std::move(level.image);
    return true;
}

LabPanel& panel() {
    static LabPanel labPanel(&saveToFile, &openFile);
    return labPanel;
}

// --level as quellon takes it, and S saves to that file.
bool applyLevel(std::string_view file, ImageHolders& images, std::string& error) {
    if (!applyLevelOption(file, images, error)) {
        return false;
    }
    panel().saveTo(std::string(file));
    return true;
}

// --what-if: the rules of the picture to start with.
bool applyWhatIf(std::string_view list, ImageHolders& /*images*/, std::string& error) {
    const WhatIfParse parsed = parseWhatIf(list);
    if (!parsed.ok()) {
        error = "--what-if: " + parsed.error;
        return false;
    }
    panel().setRules(parsed.rules);
    return true;
}

constexpr const char* kWhatIfHelp =
    "             start with some of the picture's rules changed: a comma-separated\n"
    "             list of fisheye, fov=D (20..160), strip=N (1..16), exact-angles,\n"
    "             screen-rays, plain-walls\n";

}  // namespace

const Program& thisProgram() {
    static const auto options = [] {
        std::array<ProgramOption, kMazeOptionCount + 1> all{};
        std::ranges::copy(mazeOptions(&applyLevel), all.begin());
        all.back() = ProgramOption{"--what-if", "LIST", kWhatIfHelp, &applyWhatIf};
        return all;
    }();
    static const Program program{
        .name = "quellon-lab",
        .summary = "quellon's view beside the maze from above, with the rays behind the picture",
        .options = FrmMain::Options{.keepFrameStrips = true},
        .openWindow =
            [](std::string& error) {
                return openSdlWindow(error,
                                     WindowRequest{.title = "Quellon Lab", .panel = &panel()});
            },
        .attach = [](FrmMain& frm) { panel().attach(frm); },
        .moreHelp =
            "Beside the view, the maze from above with the rays of every frame:\n"
            "  point at the view   pick a strip: its ray, the crossings its two walks\n"
            "                      read and its numbers\n"
            "  click the map       paint a cell: open floor and the five walls in turn\n"
            "  wheel               zoom the map\n"
            "  S                   save the maze where the panel says: to the file it\n"
            "                      opened, in that file's form, or to lab-level.txt\n"
            "  drop a file         open a maze: a grid, or a level image (.bmp, .png)\n"
            "Change one rule of the picture at a time, and see what it does:\n"
            "  F                   fisheye: distances not corrected for the ray's offset\n"
            "  A                   exact angles: each strip's ray at its own angle\n"
            "  R                   screen rays: through equal steps of a flat screen\n"
            "  T                   textures off and on (plain walls)\n"
            "  W                   strip width: 1, 2, 3, 4, 6, 8, 16 pixels\n"
            "  V                   field of view: 30, 45, 60, 75, 90, 120 degrees\n"
            "Step through a frame:\n"
            "  Space               pause the world and empty the view; again: go on\n"
            "  N                   draw the next strip and its ray (Shift+N: the rest)\n",
        .commandOptions = options};
    return program;
}

}  // namespace quellon
