// The page's program: quellon's main window in the browser, with the lab's ray map and strip
// readout beside the view. The page opens mazes (files the person picks or drops, and links)
// and makes links of them through the exported functions below, doing in the browser only what
// the browser does best: reading files, decoding PNG images and packing with its own streams.
// A saved maze is offered as a download.
//
// Every export answers through its result or a buffer the page owns and hands over with its
// capacity: texts come back as their length, written with a terminating zero as far as the
// buffer holds (a result larger than the capacity says how much room it needs). Those that act
// on the program take it first: quellon_program() gives it, from before the program starts.
#include <emscripten.h>

#include <algorithm>
#include <cstdint>
#include <cstring>
#include <span>
#include <string>
#include <vector>

#include "app/launch.h"
#include "formats/file_format.h"
#include "formats/level_image.h"
#include "formats/level_text.h"
#include "formats/maze_code.h"
#include "lab/lab_panel.h"
#include "maze_holder.h"
#include "platform/web_window.h"
#include "render/what_if.h"
#include "world/keys.h"

namespace quellon {

namespace {

// The name a maze from a link goes by, where a file's would be.
constexpr const char* kLinkedMaze = "the link's maze";

// The page keeps a saved maze as a download of its grid.
bool download(const std::string& name, const WorldMap& maze, std::string& error) {
    return offerDownload(name, levelText(maze), error);
}

}  // namespace

class WebProgram final : public Program, public MazeHolder {
  public:
    WebProgram()
        : Program(ProgramDescription{.name = "quellon", .summary = kQuellonSummary}),
          panel_(&download, nullptr, LabPanel::Keeping::kDownload,
                 LabPanel::ReadoutPlace::kElsewhere) {}

    WindowRequest windowRequest() override {
        return WindowRequest{.title = "Quellon", .panel = &panel_};
    }

    void attach(FrmMain& frm, const StartSettings& /*start*/) override {
        frm_ = &frm;
        panel_.attach(frm);
        if (startMaze_.width() > 0) {
            frm.openLevel(startMaze_);
        }
    }

    // Opens a level image, or says why not; before start-up it is where the program will start.
    std::string open(const std::string& name, ImageResult level) override {
        if (!level.ok()) {
            if (frm_ != nullptr) {
                panel_.report(level.error);  // the maze stays as it was
            }
            return level.error;
        }
        if (frm_ == nullptr) {
            startMaze_ = std::move(level.image);
        } else {
            panel_.openLevel(level.image, name, name);
        }
        return {};
    }

    // The maze walked now (the one it will start in, before it starts).
    WorldMap maze() const override {
        if (frm_ != nullptr) {
            return frm_->worldMap;
        }
        WorldMap start;
        scanLevel(start, startMaze_.width() > 0 ? startMaze_ : loadCarriedImages().picMap);
        return start;
    }

    LabPanel& panel() { return panel_; }

  private:
    LabPanel panel_;
    FrmMain* frm_ = nullptr;
    Surface startMaze_;  // a maze the page asked to start in, before the main window existed
};

Program& thisProgram() {
    static WebProgram program;
    return program;
}

namespace {

// `text` into the page's buffer, as far as it holds with its terminating zero; its length.
int answer(const std::string& text, char* out, int capacity) {
    if (out != nullptr && capacity > 0) {
        const std::size_t kept = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
        std::memcpy(out, text.data(), kept);
        out[kept] = '\0';
    }
    return static_cast<int>(text.size());
}

// The rules the page offers beside the map, as JSON: each rule's name, the lab's key and its
// label, today's value, its range and the values the lab steps through, and the rule it
// excludes; the page builds its switches from it.
std::string ruleTableJson() {
    const WhatIfRules today;
    const std::span<const WhatIfRule> rules = whatIfRuleTable();
    std::string json = "[";
    for (const LabPanel::RuleKey& key : LabPanel::kRuleKeys) {
        const auto rule = std::find_if(rules.begin(), rules.end(),
                                       [&](const WhatIfRule& r) { return r.name == key.rule; });
        if (rule == rules.end()) {
            continue;
        }
        json += json.size() > 1 ? "," : "";
        json += "{\"name\":\"" + std::string(rule->name) + "\",\"key\":\"" +
                std::string(1, static_cast<char>(key.key)) + "\",\"label\":\"" +
                std::string(key.label) +
                "\",\"today\":" + std::to_string(whatIfRuleValue(today, rule->name)) +
                ",\"lowest\":" + std::to_string(rule->lowest) +
                ",\"highest\":" + std::to_string(rule->highest) +
                ",\"takesValue\":" + (rule->takesValue() ? "true" : "false") + ",\"steps\":[";
        for (std::size_t i = 0; i < key.steps.size(); ++i) {
            json += (i > 0 ? "," : "") + std::to_string(key.steps[i]);
        }
        json += "],\"excludes\":\"" + std::string(rule->excludes) + "\"}";
    }
    return json + "]";
}

}  // namespace

}  // namespace quellon

using quellon::MazeHolder;
using quellon::WebProgram;

extern "C" {

// The page's program, to hand to the exports below; it exists before the program starts.
EMSCRIPTEN_KEEPALIVE WebProgram* quellon_program() {
    return static_cast<WebProgram*>(&quellon::thisProgram());
}

// The same, as the maze exports below take it.
EMSCRIPTEN_KEEPALIVE MazeHolder* quellon_program_mazes() {
    return quellon_program();
}

// Which form a file is in, by its name and first bytes: 0 a grid, 1 a BMP, 2 a PNG (the page
// decodes a PNG itself and hands over its pixels).
EMSCRIPTEN_KEEPALIVE int quellon_file_format(const char* name, const std::uint8_t* bytes,
                                             int size) {
    return static_cast<int>(
        quellon::fileFormatOf(name, std::span(bytes, static_cast<std::size_t>(size))));
}

// A file the person picked or dropped that holds no PNG: a grid, or a BMP level image. Returns
// 0 when the maze is open, otherwise the length of the reason written into `error`.
EMSCRIPTEN_KEEPALIVE int quellon_open_maze_file(MazeHolder* program, const char* name,
                                                const std::uint8_t* bytes, int size, char* error,
                                                int capacity) {
    return quellon::answer(
        program->open(name, quellon::levelFromGridOrBmp(
                                name, std::span(bytes, static_cast<std::size_t>(size)))),
        error, capacity);
}

// A PNG level image the page decoded: `width` by `height` pixels, four bytes each (red, green,
// blue, opacity, which is left aside). A picture of another size is refused before its pixels
// are read, and may come without them. Returns as quellon_open_maze_file.
EMSCRIPTEN_KEEPALIVE int quellon_open_maze_picture(MazeHolder* program, const char* name,
                                                   const std::uint8_t* rgba, int width, int height,
                                                   char* error, int capacity) {
    using quellon::kLevelImageName;
    using quellon::kMapSize;
    if (width != kMapSize || height != kMapSize || rgba == nullptr) {
        return quellon::answer(
            program->open(
                name, quellon::squarePicture(name, kLevelImageName, kMapSize, {}, width, height)),
            error, capacity);
    }
    quellon::Surface picture(width, height);
    for (int y = 0; y < picture.height(); ++y) {
        for (int x = 0; x < picture.width(); ++x) {
            const std::uint8_t* p = rgba + (static_cast<std::size_t>(y) * width + x) * 4;
            picture.set(x, y, quellon::rgb(p[0], p[1], p[2]));
        }
    }
    return quellon::answer(
        program->open(name, quellon::mazeLevel(name, quellon::squarePicture(
                                                         name, kLevelImageName, kMapSize,
                                                         {std::move(picture), {}}, width, height))),
        error, capacity);
}

// Unpacked cells of a maze code; `runsOn` when unpacking found more than a maze holds, and
// `damaged` when the packed cells did not unpack at all. Returns as quellon_open_maze_file.
EMSCRIPTEN_KEEPALIVE int quellon_open_maze_cells(MazeHolder* program, const std::uint8_t* cells,
                                                 int size, bool runsOn, bool damaged, char* error,
                                                 int capacity) {
    if (damaged) {
        return quellon::answer(
            program->open(quellon::kLinkedMaze, {quellon::Surface{}, quellon::kDamagedMazeCode}),
            error, capacity);
    }
    return quellon::answer(
        program->open(
            quellon::kLinkedMaze,
            quellon::levelFromMazeCells(std::span(cells, static_cast<std::size_t>(size)), runsOn)),
        error, capacity);
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

// The cells of the maze walked now, to be packed into a code, into `out`; returns how many
// there are (quellon_maze_cell_count()).
EMSCRIPTEN_KEEPALIVE int quellon_maze_cells(MazeHolder* program, std::uint8_t* out, int capacity) {
    const std::vector<std::uint8_t> cells = quellon::mazeCells(program->maze());
    std::copy_n(cells.begin(), std::min(cells.size(), static_cast<std::size_t>(capacity)), out);
    return static_cast<int>(cells.size());
}

// The packed cells of a code into `out`; returns how many, or -1 with the reason in `error`.
EMSCRIPTEN_KEEPALIVE int quellon_maze_packed(const char* code, std::uint8_t* out, int capacity,
                                             char* error, int errorCapacity) {
    std::vector<std::uint8_t> packed;
    std::string why;
    if (!quellon::packedOfMazeCode(code, packed, why)) {
        quellon::answer(why, error, errorCapacity);
        return -1;
    }
    std::copy_n(packed.begin(), std::min(packed.size(), static_cast<std::size_t>(capacity)), out);
    return static_cast<int>(packed.size());
}

// The code of packed cells into `out`; returns its length.
EMSCRIPTEN_KEEPALIVE int quellon_maze_code(const std::uint8_t* packed, int size, char* out,
                                           int capacity) {
    return quellon::answer(quellon::mazeCodeOf(std::span(packed, static_cast<std::size_t>(size))),
                           out, capacity);
}

// The lab's rules and steps, for the page's switches and buttons beside the map.

// The rules the page offers, as JSON (see ruleTableJson); returns its length.
EMSCRIPTEN_KEEPALIVE int quellon_lab_rule_table(char* out, int capacity) {
    return quellon::answer(quellon::ruleTableJson(), out, capacity);
}

// Puts the rules of a list in force (as --what-if reads it). Returns 0, or the length of the
// reason written into `error`.
EMSCRIPTEN_KEEPALIVE int quellon_lab_set_rules(WebProgram* program, const char* list, char* error,
                                               int capacity) {
    const quellon::WhatIfParse parsed = quellon::parseWhatIf(list);
    if (!parsed.ok()) {
        return quellon::answer(parsed.error, error, capacity);
    }
    program->panel().setRules(parsed.rules);
    return 0;
}

// Sets the one rule `name` to `value` (a switch: 0 off, 1 on), leaving the others as they are
// but the one it excludes, which a switch turned on turns off. Returns 0, or the length of the
// reason written into `error`.
EMSCRIPTEN_KEEPALIVE int quellon_lab_set_rule(WebProgram* program, const char* name, int value,
                                              char* error, int capacity) {
    const quellon::WhatIfParse changed =
        quellon::withWhatIfRule(program->panel().rules(), name, value);
    if (!changed.ok()) {
        return quellon::answer(changed.error, error, capacity);
    }
    program->panel().setRules(changed.rules);
    return 0;
}

// The rules in force, as a list (empty when the picture is quellon's own); returns its length.
EMSCRIPTEN_KEEPALIVE int quellon_lab_rules(WebProgram* program, char* out, int capacity) {
    return quellon::answer(quellon::whatIfText(program->panel().rules()), out, capacity);
}

// The lab's readout (the picked strip's numbers, the rules in force, what the keys do, what
// happened last), one line after another; returns its length.
EMSCRIPTEN_KEEPALIVE int quellon_lab_readout(WebProgram* program, char* out, int capacity) {
    std::string text;
    for (const std::string& line : program->panel().readoutLines()) {
        text += line + "\n";
    }
    return quellon::answer(text, out, capacity);
}

EMSCRIPTEN_KEEPALIVE void quellon_lab_step(WebProgram* program, bool on) {
    program->panel().step(on);
}
EMSCRIPTEN_KEEPALIVE bool quellon_lab_stepping(WebProgram* program) {
    return program->panel().stepping();
}
EMSCRIPTEN_KEEPALIVE void quellon_lab_next_strip(WebProgram* program) {
    program->panel().nextStrip();
}
EMSCRIPTEN_KEEPALIVE void quellon_lab_rest_of_frame(WebProgram* program) {
    program->panel().restOfFrame();
}
}
