// The page's program: quellon's main window in the browser, with the lab's ray map and strip
// readout beside the view. The page opens mazes (files the person picks or drops, and links)
// and makes links of them through the exported functions below, doing in the browser only what
// the browser does best: reading files, decoding PNG images and packing with its own streams.
// A saved maze is offered as a download.
#include <emscripten.h>

#include <cstdint>
#include <span>
#include <string>
#include <vector>

#include "app/launch.h"
#include "lab/lab_panel.h"
#include "platform/web_window.h"
#include "render/what_if.h"
#include "world/level_file.h"
#include "world/level_text.h"
#include "world/maze_code.h"

namespace quellon {

namespace {

// The page keeps a saved maze as a download of its grid.
bool download(const std::string& name, const WorldMap& maze, std::string& error) {
    return offerDownload(name, levelText(maze), error);
}

LabPanel& panel() {
    static LabPanel labPanel(&download);
    return labPanel;
}

FrmMain* gMainWindow = nullptr;
// A maze the page asked to start in, before the main window existed.
Surface gStartMaze;
// What went wrong last, for the page to show; what the last call handed back.
std::string gError;
std::string gCode;
std::vector<std::uint8_t> gBytes;

// Opens a level image, or says why not; before start-up it is where the program will start.
bool open(const std::string& name, ImageResult level) {
    if (!level.ok()) {
        gError = level.error;
        if (gMainWindow != nullptr) {
            panel().report(gError);  // the maze stays as it was
        }
        return false;
    }
    gError.clear();
    if (gMainWindow == nullptr) {
        gStartMaze = std::move(level.image);
    } else {
        panel().openLevel(level.image, name);
    }
    return true;
}

}  // namespace

const Program& thisProgram() {
    static const Program program{
        .name = "quellon",
        .summary = kQuellonSummary,
        .options = FrmMain::Options{.keepFrameStrips = true},
        .openWindow =
            [](std::string& error) {
                return openWebWindow(error, WindowRequest{.title = "Quellon", .panel = &panel()});
            },
        .attach =
            [](FrmMain& frm) {
                gMainWindow = &frm;
                panel().attach(frm);
                if (gStartMaze.width() > 0) {
                    frm.holders.picMap = gStartMaze;
                }
            }};
    return program;
}

}  // namespace quellon

using quellon::gBytes;

namespace {
// The name a maze from a link goes by, where a file's would be.
constexpr const char* kLinkedMaze = "the link's maze";
}  // namespace

extern "C" {

// A file the person picked or dropped that holds no PNG: a grid, or a BMP level image.
EMSCRIPTEN_KEEPALIVE bool quellon_open_maze_file(const char* name, const std::uint8_t* bytes,
                                                 int size) {
    return quellon::open(
        name, quellon::levelFromGridOrBmp(name, std::span(bytes, static_cast<std::size_t>(size))));
}

// A PNG level image the page decoded: `width` by `height` pixels, four bytes each (red, green,
// blue, opacity, which is left aside). A picture of another size is refused before its pixels
// are read, and may come without them.
EMSCRIPTEN_KEEPALIVE bool quellon_open_maze_picture(const char* name, const std::uint8_t* rgba,
                                                    int width, int height) {
    if (width != quellon::kMapSize || height != quellon::kMapSize || rgba == nullptr) {
        return quellon::open(name, quellon::squarePicture(name, "level image", quellon::kMapSize,
                                                          {}, width, height));
    }
    quellon::Surface picture(width, height);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const std::uint8_t* p = rgba + (static_cast<std::size_t>(y) * width + x) * 4;
            picture.set(x, y, quellon::rgb(p[0], p[1], p[2]));
        }
    }
    return quellon::open(name, quellon::squarePicture(name, "level image", quellon::kMapSize,
                                                      {std::move(picture), {}}, width, height));
}

// Unpacked cells of a maze code; `runsOn` when unpacking found more than a maze holds, and
// `damaged` when the packed cells did not unpack at all.
EMSCRIPTEN_KEEPALIVE bool quellon_open_maze_cells(const std::uint8_t* cells, int size, bool runsOn,
                                                  bool damaged) {
    if (damaged) {
        return quellon::open(kLinkedMaze, {quellon::Surface{}, quellon::kDamagedMazeCode});
    }
    return quellon::open(
        kLinkedMaze,
        quellon::levelFromMazeCells(std::span(cells, static_cast<std::size_t>(size)), runsOn));
}

// The virtual-key code of a movement key by its name (left, right, up, down, comma, period), for
// the page's buttons that stand for keys; 0 for another name.
EMSCRIPTEN_KEEPALIVE int quellon_key_named(const char* name) {
    return quellon::vk::named(name);
}

// How many cells a maze has, and how large a maze's file may be.
EMSCRIPTEN_KEEPALIVE int quellon_maze_cell_count() {
    return static_cast<int>(quellon::kMazeCells);
}
EMSCRIPTEN_KEEPALIVE int quellon_max_maze_file_bytes() {
    return static_cast<int>(quellon::kMaxMazeFileBytes);
}

// Why the last opening failed.
EMSCRIPTEN_KEEPALIVE const char* quellon_maze_error() {
    return quellon::gError.c_str();
}

// The bytes the last of the two calls below handed back.
EMSCRIPTEN_KEEPALIVE const std::uint8_t* quellon_maze_bytes() {
    return gBytes.data();
}

// The cells of the maze walked now, to be packed into a code; returns how many.
EMSCRIPTEN_KEEPALIVE int quellon_maze_cells() {
    gBytes = quellon::gMainWindow != nullptr ? quellon::mazeCells(quellon::gMainWindow->worldMap)
                                             : std::vector<std::uint8_t>{};
    return static_cast<int>(gBytes.size());
}

// The packed cells of a code; returns how many, or -1 with the reason in quellon_maze_error.
EMSCRIPTEN_KEEPALIVE int quellon_maze_packed(const char* code) {
    if (!quellon::packedOfMazeCode(code, gBytes, quellon::gError)) {
        return -1;
    }
    return static_cast<int>(gBytes.size());
}

// The code of packed cells.
EMSCRIPTEN_KEEPALIVE const char* quellon_maze_code(const std::uint8_t* packed, int size) {
    quellon::gCode = quellon::mazeCodeOf(std::span(packed, static_cast<std::size_t>(size)));
    return quellon::gCode.c_str();
}

// The lab's rules and steps, for the page's switches and buttons beside the map. The page reads
// the rules back to show what the keys changed.

// Puts the rules of a list in force (as --what-if reads it); false with the reason in
// quellon_maze_error.
EMSCRIPTEN_KEEPALIVE bool quellon_lab_set_rules(const char* list) {
    const quellon::WhatIfParse parsed = quellon::parseWhatIf(list);
    if (!parsed.ok()) {
        quellon::gError = parsed.error;
        return false;
    }
    quellon::panel().setRules(parsed.rules);
    return true;
}

// The rules in force, as a list; empty when the picture is quellon's own.
EMSCRIPTEN_KEEPALIVE const char* quellon_lab_rules() {
    quellon::gCode = quellon::whatIfText(quellon::panel().rules());
    return quellon::gCode.c_str();
}

// What the strip width and the field of view can be set to: "strip=1,2,...;fov=30,...".
EMSCRIPTEN_KEEPALIVE const char* quellon_lab_choices() {
    std::string text = "strip=";
    for (const int width : quellon::LabPanel::kStripWidths) {
        text += std::to_string(width) + ",";
    }
    text.back() = ';';
    text += "fov=";
    for (const int degrees : quellon::LabPanel::kFieldsOfView) {
        text += std::to_string(degrees) + ",";
    }
    text.pop_back();
    quellon::gCode = text;
    return quellon::gCode.c_str();
}

EMSCRIPTEN_KEEPALIVE void quellon_lab_step(bool on) {
    quellon::panel().step(on);
}
EMSCRIPTEN_KEEPALIVE bool quellon_lab_stepping() {
    return quellon::panel().stepping();
}
EMSCRIPTEN_KEEPALIVE void quellon_lab_next_strip() {
    quellon::panel().nextStrip();
}
EMSCRIPTEN_KEEPALIVE void quellon_lab_rest_of_frame() {
    quellon::panel().restOfFrame();
}
}
