// The engine behind the explanation's page (learn.html): the renderer's own cast, frame, map and
// stretched copy, run on demand for one pose and one maze, with no window and no frame loop.
// Every figure on that page is drawn and numbered by these exports, as the probe draws and
// numbers the same pose, so that what the page shows is what quellon computes.
//
// Exports answer as the program's page's do (web_program.cpp): texts as their length, written
// into the page's buffer as far as it holds; pictures into a buffer of width * height pixels of
// four bytes (red, green, blue, opacity), the canvas's own form; -1 for a request refused.
#include <emscripten.h>

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <cstring>
#include <string>
#include <string_view>
#include <vector>

#include "app/frm_main.h"
#include "formats/level_image.h"
#include "formats/level_text.h"
#include "gfx/surface.h"
#include "lab/lab_panel.h"
#include "math/angles.h"
#include "maze_holder.h"
#include "render/frame.h"
#include "render/ray_map.h"
#include "render/raycast.h"
#include "render/strip_text.h"
#include "render/what_if.h"
#include "world/level.h"
#include "world/movement.h"

namespace quellon {

namespace {

// The largest picture the page may ask for, on either side.
constexpr int kMaxPictureSidePx = Surface::kMaxSidePx;

// A single from its text, as the probe reads a pose: a decimal number rounded once to single
// precision, finite, every character taken. (This build's library has no from_chars for floats;
// strtof rounds as it does, and what it takes beyond it is refused here.)
bool readSingle(const std::string& text, float& value) {
    if (text.empty() || text.find_first_not_of("0123456789.eE-") != std::string::npos) {
        return false;
    }
    char* end = nullptr;
    errno = 0;
    value = std::strtof(text.c_str(), &end);
    return errno == 0 && end == text.c_str() + text.size() && std::isfinite(value);
}

bool pictureSize(int width, int height) {
    return width >= 1 && height >= 1 && width <= kMaxPictureSidePx && height <= kMaxPictureSidePx;
}

}  // namespace

class Explainer final : public MazeHolder {
  public:
    Explainer() : images_(loadCarriedImages()) {
        trig_.generateTrig();
        scanLevel(maze_, images_.picMap);
    }

    // A maze from a link or a file; the player stays where they are.
    std::string open(const std::string& /*name*/, ImageResult level) override {
        if (!level.ok()) {
            return level.error;
        }
        scanLevel(maze_, level.image);
        return {};
    }

    WorldMap maze() const override { return maze_; }

    // The pose from its three numbers' texts, each read as the probe reads it; or why not.
    std::string place(const std::string& x, const std::string& y, const std::string& angle) {
        Pose pose;
        const auto position = [](const std::string& text, float& value) {
            return readSingle(text, value) && value >= 0.0f &&
                   value <= static_cast<float>(kMapSize);
        };
        if (!position(x, pose.playerX) || !position(y, pose.playerY)) {
            return "x and y must be numbers in 0.." + std::to_string(kMapSize);
        }
        if (!readSingle(angle, pose.playerAngle)) {
            return "the angle must be a number of degrees";
        }
        pose_ = pose;
        return {};
    }

    std::string poseText() const {
        char line[96];
        (void)std::snprintf(line, sizeof line, "%.9g %.9g %.9g", static_cast<double>(pose_.playerX),
                            static_cast<double>(pose_.playerY),
                            static_cast<double>(pose_.playerAngle));
        return line;
    }

    Painting paint(int column, int row) {
        Painting painting = paintingOf(maze_, pose_, column, row);
        if (painting.code) {
            maze_.set(column, row, *painting.code);
        }
        return painting;
    }

    // The strip's line, each cell its walks read, as the probe's map --strip prints them, then
    // "ends", the walk that won (h or v), and where the two walks ended.
    std::string strip(int width, int height, const FrameRules& rules, int index) {
        std::vector<Strip> strips;
        StripTrace trace;
        trace.strip = index;
        castFrame(static_cast<float>(width), static_cast<float>(height), scene(), rules, strips,
                  &trace);
        if (index < 0 || index >= static_cast<int>(strips.size())) {
            return {};
        }
        std::string text =
            stripLine(strips[static_cast<std::size_t>(index)], rules.whatIf.fractionalAngles());
        for (const CellRead& read : trace.reads) {
            text += cellReadLine(read);
        }
        const bool horizontal =
            strips[static_cast<std::size_t>(index)].hit.walk == WalkLines::kHorizontal;
        return text + "ends " + (horizontal ? "h " : "v ") + walkEndsLine(trace.ends);
    }

    void drawFrame(Surface& target, const FrameRules& rules) {
        drawer_.draw(target, Window::kBackground, scene(), images_.picTexture, rules);
    }

    // The map of the frame `rules` casts at width by height, as `view` shows it, with `count` of
    // the chosen strip's reads from `first` on marked; `alone`, with the chosen strip's ray only.
    void drawMap(Surface& target, const RayMapView& view, int width, int height,
                 const FrameRules& rules, int chosen, int first, int count, bool alone) {
        std::vector<Strip> strips;
        StripTrace trace;
        trace.strip = chosen;
        castFrame(static_cast<float>(width), static_cast<float>(height), scene(), rules, strips,
                  &trace);
        std::optional<ChosenStrip> marked;
        if (chosen >= 0 && chosen < static_cast<int>(strips.size())) {
            const std::span<const CellRead> reads(trace.reads);
            const auto from = static_cast<std::size_t>(std::clamp(first, 0, int(reads.size())));
            const auto shown =
                std::min(reads.size() - from, static_cast<std::size_t>(std::max(0, count)));
            marked = ChosenStrip{alone ? 0 : chosen, reads.subspan(from, shown)};
            if (alone) {
                strips = {strips[static_cast<std::size_t>(chosen)]};
            }
        }
        drawRayMap(target, view, scene(), strips, marked);
    }

    // The wall texture a cell code shows.
    const Surface& texture(int code) const {
        return images_
            .picTexture[static_cast<std::size_t>(textureElement(static_cast<std::int16_t>(code)))];
    }

  private:
    Scene scene() const { return Scene{pose_, maze_, trig_}; }

    ImageHolders images_;
    WorldMap maze_;
    AngleTables trig_;
    Pose pose_ = kStartPose;
    FrameDrawer drawer_;
};

namespace {

int answerText(const std::string& text, char* out, int capacity) {
    if (out != nullptr && capacity > 0) {
        const std::size_t kept = std::min(text.size(), static_cast<std::size_t>(capacity - 1));
        std::memcpy(out, text.data(), kept);
        out[kept] = '\0';
    }
    return static_cast<int>(text.size());
}

// The rules of a list as --what-if reads it, and `strips` drawn; false for a list it refuses.
bool frameRules(const char* list, int strips, FrameRules& rules) {
    const WhatIfParse parsed = parseWhatIf(list != nullptr ? list : "");
    if (!parsed.ok()) {
        return false;
    }
    rules = FrameRules{parsed.rules, strips < 0 ? kAllStrips : strips};
    return true;
}

// A surface over the page's buffer of `width` by `height` canvas pixels.
Surface canvasOver(std::uint8_t* rgba, int width, int height) {
    return Surface::over(reinterpret_cast<Colour*>(rgba), width, height, width, PixelFormat::kAbgr);
}

}  // namespace

}  // namespace quellon

using quellon::Explainer;

extern "C" {

// The size of the view the explanation shows: the window's as it opens, the probe's own.
EMSCRIPTEN_KEEPALIVE int quellon_learn_view_width() {
    return quellon::kOpeningWidthPx;
}
EMSCRIPTEN_KEEPALIVE int quellon_learn_view_height() {
    return quellon::kOpeningHeightPx;
}

// The explanation's engine, in the carried maze at the start pose.
EMSCRIPTEN_KEEPALIVE Explainer* quellon_learn() {
    static Explainer explainer;
    return &explainer;
}

// The same, as the maze exports take it (quellon_open_maze_cells, quellon_maze_cells).
EMSCRIPTEN_KEEPALIVE quellon::MazeHolder* quellon_learn_mazes(Explainer* learn) {
    return learn;
}

// Puts the player at the pose of three numbers, given as text. Returns 0, or the length of the
// reason written into `error`.
EMSCRIPTEN_KEEPALIVE int quellon_learn_place(Explainer* learn, const char* x, const char* y,
                                             const char* angle, char* error, int capacity) {
    return quellon::answerText(learn->place(x, y, angle), error, capacity);
}

// The pose as "x y angle", every digit of the singles; returns its length.
EMSCRIPTEN_KEEPALIVE int quellon_learn_pose(Explainer* learn, char* out, int capacity) {
    return quellon::answerText(learn->poseText(), out, capacity);
}

// The maze as a grid, as the lab saves it; returns its length.
EMSCRIPTEN_KEEPALIVE int quellon_learn_grid(Explainer* learn, char* out, int capacity) {
    return quellon::answerText(quellon::levelText(learn->maze()), out, capacity);
}

// Paints the cell as the lab does (open floor and the wall codes in turn); returns the length of
// what happened, written into `out`.
EMSCRIPTEN_KEEPALIVE int quellon_learn_paint(Explainer* learn, int column, int row, char* out,
                                             int capacity) {
    return quellon::answerText(learn->paint(column, row).said, out, capacity);
}

// The strips of a frame `width` pixels wide under the rules of `list`; -1 for a list refused.
EMSCRIPTEN_KEEPALIVE int quellon_learn_strip_count(int width, const char* list) {
    quellon::FrameRules rules;
    if (!quellon::frameRules(list, -1, rules)) {
        return -1;
    }
    return quellon::whatIfStripCount(static_cast<float>(width), rules.whatIf);
}

// The strip `index` of the frame width by height under the rules of `list`, as lines (see
// Explainer::strip); its length, or -1 for a strip or list refused.
EMSCRIPTEN_KEEPALIVE int quellon_learn_strip(Explainer* learn, int width, int height,
                                             const char* list, int index, char* out, int capacity) {
    quellon::FrameRules rules;
    if (!quellon::pictureSize(width, height) || !quellon::frameRules(list, -1, rules)) {
        return -1;
    }
    const std::string text = learn->strip(width, height, rules, index);
    return text.empty() ? -1 : quellon::answerText(text, out, capacity);
}

// The frame width by height under the rules of `list`, its first `strips` strips drawn (-1:
// all), into `rgba`. Returns 0, or -1 for a size or list refused.
EMSCRIPTEN_KEEPALIVE int quellon_learn_frame(Explainer* learn, int width, int height,
                                             const char* list, int strips, std::uint8_t* rgba) {
    quellon::FrameRules rules;
    if (!quellon::pictureSize(width, height) || !quellon::frameRules(list, strips, rules)) {
        return -1;
    }
    quellon::Surface target = quellon::canvasOver(rgba, width, height);
    learn->drawFrame(target, rules);
    return 0;
}

// The map, mapWidth by mapHeight, `scale` pixels a cell, centred on map point (centreX,
// centreY), with the rays of the frame width by height (its first `strips`; -1: all) and the
// strip `chosen` marked with `count` of its reads from `first` on (`alone`: its ray the only one
// drawn), into `rgba`. Returns as quellon_learn_frame.
EMSCRIPTEN_KEEPALIVE int quellon_learn_map(Explainer* learn, int width, int height,
                                           const char* list, int strips, int chosen, int first,
                                           int count, bool alone, int scale, float centreX,
                                           float centreY, int mapWidth, int mapHeight,
                                           std::uint8_t* rgba) {
    quellon::FrameRules rules;
    if (!quellon::pictureSize(width, height) || !quellon::pictureSize(mapWidth, mapHeight) ||
        !quellon::frameRules(list, strips, rules)) {
        return -1;
    }
    quellon::Surface target = quellon::canvasOver(rgba, mapWidth, mapHeight);
    learn->drawMap(target,
                   quellon::mapViewCentredOn(centreX, centreY, scale, mapWidth / 2, mapHeight / 2),
                   width, height, rules, chosen, first, count, alone);
    return 0;
}

// The map point under pixel (px, py) of such a map, into `point` (x, then y).
EMSCRIPTEN_KEEPALIVE void quellon_learn_map_point(int scale, float centreX, float centreY,
                                                  int mapWidth, int mapHeight, int px, int py,
                                                  float* point) {
    const quellon::MapPoint at = quellon::mapPointAt(
        quellon::mapViewCentredOn(centreX, centreY, scale, mapWidth / 2, mapHeight / 2), px, py);
    point[0] = at.x;
    point[1] = at.y;
}

// The wall texture of a cell code, a square; returns its side, and writes its pixels into
// `rgba` when `capacity` pixels hold them.
EMSCRIPTEN_KEEPALIVE int quellon_learn_texture(Explainer* learn, int code, std::uint8_t* rgba,
                                               int capacity) {
    const quellon::Surface& texture = learn->texture(code);
    const int side = std::min(texture.width(), texture.height());
    if (rgba == nullptr || side * side > capacity) {
        return side;
    }
    quellon::Surface target = quellon::canvasOver(rgba, side, side);
    quellon::StretchBlt(target, 0, 0, side, side, texture, 0, 0, side, side);
    return side;
}

// Which texture row each row of a view `height` tall shows in a column wallHeight tall from
// wallTop, by the plain stretched copy the view's drawer is held equal to: into `rows`, one per
// view row, -1 where the column does not reach.
EMSCRIPTEN_KEEPALIVE void quellon_learn_column_rows(int height, int wallTop, int wallHeight,
                                                    int* rows) {
    using quellon::kTextureSize;
    quellon::Surface numbered(1, kTextureSize);
    for (int row = 0; row < kTextureSize; ++row) {
        numbered.set(0, row, static_cast<quellon::Colour>(row));
    }
    constexpr quellon::Colour kNoRow = 0xFFFFFF;
    quellon::Surface column(1, std::max(1, height), kNoRow);
    quellon::StretchBlt(column, 0, wallTop, 1, wallHeight, numbered, 0, 0, 1, kTextureSize);
    for (int y = 0; y < height; ++y) {
        const quellon::Colour row = quellon::GetPixel(column, 0, y);
        rows[y] = row == kNoRow ? -1 : static_cast<int>(row);
    }
}
}
