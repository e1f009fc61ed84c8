#include "lab/lab_panel.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>
#include <optional>
#include <utility>

#include "gfx/font.h"
#include "render/raycast.h"
#include "world/level.h"

namespace quellon {

namespace {

constexpr int kReadoutLines = 6;
constexpr int kMarginPx = 4;
constexpr int kReadoutHeightPx = kReadoutLines * font::kLineHeightPx + 2 * kMarginPx;
constexpr Colour kReadoutBackground = rgb(24, 24, 30);
constexpr Colour kReadoutText = rgb(230, 230, 230);
// The scales the wheel steps through.
constexpr std::array<int, 10> kScales = {1, 2, 3, 4, 6, 8, 12, 16, 24, 32};
static_assert(kScales.front() == kMinMapScale && kScales.back() == kMaxMapScale);

std::string format(const char* pattern, auto... values) {
    char line[160];
    (void)std::snprintf(line, sizeof line, pattern, values...);
    return line;
}

const char* walkName(WalkLines walk) {
    return walk == WalkLines::kHorizontal ? "horizontal" : "vertical";
}

}  // namespace

LabPanel::LabPanel(SaveMaze saveMaze, OpenMaze openMaze)
    : saveMaze_(saveMaze), openMaze_(openMaze) {
    saveTo(kDefaultSaveName);
}

void LabPanel::saveTo(std::string name) {
    saveName_ = std::move(name);
    status_ = "S saves the grid to " + saveName_;
}

void LabPanel::attach(FrmMain& frm) {
    frm_ = &frm;
    frm_->frameTrace.strip = picked_;
}

void LabPanel::draw(Surface& panel) {
    if (frm_ == nullptr || panel.width() == 0 || panel.height() == 0) {
        return;
    }
    // The map fills the panel and the readout is then drawn over its bottom rows.
    mapHeight_ = std::max(0, panel.height() - kReadoutHeightPx);
    view_ = mapViewCentredOn(frm_->pose.playerX, frm_->pose.playerY, scale_, panel.width() / 2,
                             mapHeight_ / 2);
    std::optional<ChosenStrip> chosen;
    if (picked_ >= 0 && frm_->frameTrace.strip == picked_) {
        chosen = ChosenStrip{picked_, frm_->frameTrace.reads};
    }
    drawRayMap(panel, view_, Scene{frm_->pose, frm_->worldMap, frm_->trig}, frm_->frameStrips,
               chosen);
    drawReadout(panel, mapHeight_);
}

void LabPanel::drawReadout(Surface& panel, int top) const {
    for (int y = top; y < panel.height(); ++y) {
        std::fill(panel.row(y), panel.row(y) + panel.width(), kReadoutBackground);
    }
    std::array<std::string, kReadoutLines> lines;
    const auto& strips = frm_->frameStrips;
    if (picked_ < 0 || picked_ >= static_cast<int>(strips.size())) {
        lines[0] = "Point at the view to pick a strip.";
    } else {
        const Strip& s = strips[static_cast<std::size_t>(picked_)];
        lines[0] = format("strip %d at x %d: ray %.9g, %s walk", picked_, s.stripX, s.rayAngle,
                          walkName(s.hit.walk));
        lines[1] = format("wall %.9g away, corrected %.9g", static_cast<double>(s.hit.wallDist),
                          static_cast<double>(s.distance));
        // The cell is the last one the chosen walk read; a walk that read none keeps the code
        // an earlier strip left in its register.
        const CellRead* cell = nullptr;
        if (frm_->frameTrace.strip == picked_) {
            for (const CellRead& read : frm_->frameTrace.reads) {
                if (read.walk == s.hit.walk) {
                    cell = &read;
                }
            }
        }
        lines[2] = cell != nullptr ? format("cell %d,%d code %d, texture column %d", cell->column,
                                            cell->row, s.hit.wallCode, s.hit.texColumn)
                                   : format("no cell read: code %d kept, texture column %d",
                                            s.hit.wallCode, s.hit.texColumn);
        lines[3] = format("column %d tall, top at row %d", s.wallHeight, s.wallTop);
    }
    lines[4] = format("click paints a cell, wheel zooms (%d px)", scale_);
    lines[5] = status_;
    for (std::size_t i = 0; i < lines.size(); ++i) {
        font::drawText(panel, kMarginPx,
                       top + kMarginPx + static_cast<int>(i) * font::kLineHeightPx, lines[i],
                       kReadoutText);
    }
}

void LabPanel::pointer(const PointerEvent& event) {
    switch (event.kind) {
        case PointerEvent::Kind::kMove:
            if (event.area == PointerEvent::Area::kView) {
                pick(event.x);
            }
            break;
        case PointerEvent::Kind::kPress:
            if (event.area == PointerEvent::Area::kPanel && event.y < mapHeight_) {
                if (const auto cell = mapCellAt(view_, event.x, event.y)) {
                    paint(cell->column, cell->row);
                }
            }
            break;
        case PointerEvent::Kind::kWheel:
            zoom(event.wheelSteps);
            break;
    }
}

void LabPanel::command(int keyCode, int /*shiftState*/) {
    if (keyCode == kSaveKey) {
        save();
    }
}

void LabPanel::fileDropped(const std::string& path) {
    if (openMaze_ == nullptr) {
        status_ = "Files cannot be opened here.";
        return;
    }
    Surface levelImage;
    std::string error;
    if (!openMaze_(path, levelImage, error)) {
        report(error);  // the maze stays as it was
        return;
    }
    openLevel(levelImage, path);
}

void LabPanel::openLevel(const Surface& levelImage, const std::string& name) {
    if (frm_ == nullptr) {
        return;
    }
    frm_->holders.picMap = levelImage;
    scanLevel(frm_->worldMap, frm_->holders.picMap);
    frm_->pose = Pose{kStartX, kStartY, 0.0f};
    saveTo(name);
    status_ = "Opened " + name + "; S saves it there";
}

void LabPanel::pick(int viewX) {
    if (frm_ == nullptr || viewX < 0) {
        return;
    }
    const int strip = viewX / kStripWidthPx;
    if (strip < static_cast<int>(frm_->frameStrips.size())) {
        picked_ = strip;
        frm_->frameTrace.strip = strip;
    }
}

bool LabPanel::paint(int column, int row) {
    if (frm_ == nullptr || !WorldMap::inside(column, row)) {
        return false;
    }
    if (column == 0 || row == 0 || column == kMapSize - 1 || row == kMapSize - 1) {
        status_ = "The outer ring stays closed.";
        return false;
    }
    const auto standing = [](float coordinate) { return static_cast<int>(coordinate); };
    if (column == standing(frm_->pose.playerX) && row == standing(frm_->pose.playerY)) {
        status_ = "The player's own cell stays open.";
        return false;
    }
    const auto code = static_cast<std::int16_t>((frm_->worldMap(column, row) + 1) % kCellCodes);
    frm_->worldMap.set(column, row, code);
    status_ = format("cell %d,%d is now %s", column, row,
                     code == kOpenFloor ? "open floor" : format("wall %d", code).c_str());
    return true;
}

void LabPanel::zoom(int steps) {
    const auto at = std::lower_bound(kScales.begin(), kScales.end(), scale_);
    const auto index = std::clamp<std::ptrdiff_t>(std::distance(kScales.begin(), at) + steps, 0,
                                                  std::ssize(kScales) - 1);
    scale_ = kScales[static_cast<std::size_t>(index)];
}

bool LabPanel::save() {
    if (frm_ == nullptr) {
        return false;
    }
    std::string error;
    const bool saved = saveMaze_(saveName_, frm_->worldMap, error);
    status_ = saved ? "Saved the grid to " + saveName_ : error;
    return saved;
}

}  // namespace quellon
