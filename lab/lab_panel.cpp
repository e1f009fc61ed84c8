#include "lab/lab_panel.h"

#include <algorithm>
#include <array>
#include <cstdio>
#include <iterator>
#include <optional>
#include <string_view>
#include <utility>

#include "gfx/font.h"
#include "render/raycast.h"
#include "text/one_line.h"
#include "world/level.h"

namespace quellon {

namespace {

constexpr int kReadoutLines = 8;
constexpr int kMarginPx = 4;
constexpr int kReadoutHeightPx = kReadoutLines * font::kLineHeightPx + 2 * kMarginPx;
// The characters a readout line holds across a panel `width` pixels wide.
std::size_t readoutColumns(int width) {
    return static_cast<std::size_t>(std::max(1, (width - 2 * kMarginPx) / font::kGlyphWidthPx));
}
// A file's name in the readout is kept to this share of a line.
constexpr std::size_t kNameShare = 2;

constexpr Colour kReadoutBackground = rgb(24, 24, 30);
constexpr Colour kReadoutText = rgb(230, 230, 230);
constexpr Colour kAxesColour = rgb(200, 200, 210);
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

// The next of `steps` after `value`, round to the first after the last.
int nextOf(std::span<const int> steps, int value) {
    const auto after = std::upper_bound(steps.begin(), steps.end(), value);
    return after == steps.end() ? steps.front() : *after;
}

// `text` cut into lines of at most `columns` characters, at spaces where it can be.
std::vector<std::string> wrapped(std::string_view text, std::size_t columns) {
    std::vector<std::string> lines;
    while (text.size() > columns) {
        std::size_t cut = text.rfind(' ', columns);
        if (cut == std::string_view::npos || cut == 0) {
            cut = columns;
        }
        lines.emplace_back(text.substr(0, cut));
        text.remove_prefix(cut);
        while (!text.empty() && text.front() == ' ') {
            text.remove_prefix(1);
        }
    }
    lines.emplace_back(text);
    return lines;
}

}  // namespace

// [learn:paint]
Painting paintingOf(const WorldMap& maze, const Pose& pose, int column, int row) {
    if (!WorldMap::inside(column, row)) {
        return {std::nullopt, "That is off the grid."};
    }
    if (column == 0 || row == 0 || column == kMapSize - 1 || row == kMapSize - 1) {
        return {std::nullopt, "The outer ring stays closed."};
    }
    const auto standing = [](float coordinate) { return static_cast<int>(coordinate); };
    if (column == standing(pose.playerX) && row == standing(pose.playerY)) {
        return {std::nullopt, "The player's own cell stays open."};
    }
    const auto code = static_cast<std::int16_t>((maze(column, row) + 1) % kCellCodes);
    return {code, format("cell %d,%d is now %s", column, row,
                         code == kOpenFloor ? "open floor" : format("wall %d", code).c_str())};
}
// [/learn:paint]

LabPanel::LabPanel(SaveMaze saveMaze, OpenMaze openMaze, Keeping keeping, ReadoutPlace readoutPlace)
    : saveMaze_(std::move(saveMaze)),
      openMaze_(std::move(openMaze)),
      keeping_(keeping),
      readoutPlace_(readoutPlace) {
    saveTo(kDefaultSaveName);
}

void LabPanel::saveTo(std::string name) {
    saveName_ = std::move(name);
    status_ = keeping_ == Keeping::kDownload ? "S downloads the grid as " + named(saveName_)
                                             : "S saves the grid to " + named(saveName_);
}

void LabPanel::attach(FrmMain& frm) {
    frm_ = &frm;
    frm_->traceStripAt(pickX_);
}

void LabPanel::setRules(const WhatIfRules& rules) {
    if (frm_ != nullptr) {
        frm_->setRules(rules);
    }
}

const WhatIfRules& LabPanel::rules() const {
    static const WhatIfRules kToday;
    return frm_ != nullptr ? frm_->rules() : kToday;
}

void LabPanel::step(bool on) {
    if (frm_ == nullptr) {
        return;
    }
    stepping_ = on;
    frm_->pause(on);
    frm_->limitStrips(on ? 0 : kAllStrips);
}

void LabPanel::nextStrip() {
    if (frm_ == nullptr || !stepping_ || frm_->stripLimit() >= frm_->stripCount()) {
        return;
    }
    frm_->limitStrips(frm_->stripLimit() + 1);
    choose(frm_->stripLimit() - 1);
}

void LabPanel::restOfFrame() {
    if (frm_ == nullptr || !stepping_) {
        return;
    }
    frm_->limitStrips(kAllStrips);
    choose(frm_->stripCount() - 1);
}

void LabPanel::choose(int strip) {
    pickX_ = strip * rules().stripWidthPx;
    if (frm_ != nullptr) {
        frm_->traceStripAt(pickX_);
    }
}

int LabPanel::pickedStrip() const {
    if (frm_ == nullptr || pickX_ < 0) {
        return -1;
    }
    const int strip = pickX_ / rules().stripWidthPx;
    return strip < frm_->stripCount() ? strip : -1;
}

std::string LabPanel::named(const std::string& name) const {
    return shortenedInTheMiddle(name, readoutColumns(panelWidth_) / kNameShare);
}

void LabPanel::draw(Surface& panel) {
    if (frm_ == nullptr || panel.width() == 0 || panel.height() == 0) {
        return;
    }
    // The map fills the panel and the readout is then drawn over its bottom rows.
    panelWidth_ = panel.width();
    mapHeight_ = readoutPlace_ == ReadoutPlace::kUnderMap
                     ? std::max(0, panel.height() - kReadoutHeightPx)
                     : panel.height();
    view_ = mapViewCentredOn(frm_->pose.playerX, frm_->pose.playerY, scale_, panel.width() / 2,
                             mapHeight_ / 2);
    std::optional<ChosenStrip> chosen;
    const int picked = pickedStrip();
    if (picked >= 0 && frm_->frameTrace().strip == picked) {
        chosen = ChosenStrip{picked, frm_->frameTrace().reads};
    }
    drawRayMap(panel, view_, frm_->scene(), frm_->frameStrips(), chosen);
    drawAxes(panel);
    if (readoutPlace_ == ReadoutPlace::kUnderMap) {
        drawReadout(panel, mapHeight_);
    }
}

// Which way the map's axes run, in its bottom-left corner: x to the right, y up.
void LabPanel::drawAxes(Surface& panel) const {
    constexpr int kArmPx = 18;
    const int x = kMarginPx + font::kGlyphWidthPx;
    const int y = mapHeight_ - kMarginPx - font::kLineHeightPx;
    if (y - kArmPx - font::kLineHeightPx < 0 || x + kArmPx + font::kGlyphWidthPx > panel.width()) {
        return;  // no room
    }
    fillRect(panel, x, y - kArmPx, 1, kArmPx + 1, kAxesColour);
    fillRect(panel, x, y, kArmPx + 1, 1, kAxesColour);
    font::drawText(panel, x - font::kGlyphWidthPx / 2, y - kArmPx - font::kLineHeightPx / 2, "^",
                   kAxesColour);
    font::drawText(panel, x - font::kGlyphWidthPx / 2, y - kArmPx - font::kLineHeightPx, "y",
                   kAxesColour);
    font::drawText(panel, x + kArmPx - font::kGlyphWidthPx / 2, y - font::kLineHeightPx / 2, ">",
                   kAxesColour);
    font::drawText(panel, x + kArmPx + font::kGlyphWidthPx / 2, y - font::kLineHeightPx / 2, "x",
                   kAxesColour);
}

std::vector<std::string> LabPanel::readoutLines() const {
    std::vector<std::string> lines;
    const auto& strips = frm_->frameStrips();
    const int picked = pickedStrip();
    if (picked < 0 || picked >= static_cast<int>(strips.size())) {
        lines.emplace_back(stepping_ ? "N draws the next strip, Shift+N the rest."
                                     : "Point at the view to pick a strip.");
        lines.resize(4);
    } else {
        // Numbers with the digits a person reads; the probe prints them all.
        const Strip& s = strips[static_cast<std::size_t>(picked)];
        lines.push_back(format("strip %d at x %d: ray %.4g, %s walk", picked, s.stripX, s.rayAngle,
                               walkName(s.hit.walk)));
        lines.push_back(format("wall %.4g away, corrected %.4g",
                               static_cast<double>(s.hit.wallDist),
                               static_cast<double>(s.distance)));
        // The cell is the last one the chosen walk read; a walk that read none keeps the code
        // an earlier strip left in its register.
        const CellRead* cell = nullptr;
        if (frm_->frameTrace().strip == picked) {
            for (const CellRead& read : frm_->frameTrace().reads) {
                if (read.walk == s.hit.walk) {
                    cell = &read;
                }
            }
        }
        lines.push_back(cell != nullptr
                            ? format("cell %d,%d code %d, texture column %d", cell->column,
                                     cell->row, s.hit.wallCode, s.hit.texColumn)
                            : format("no cell read: code %d kept, texture column %d",
                                     s.hit.wallCode, s.hit.texColumn));
        lines.push_back(format("column %d tall, top at row %d", s.wallHeight, s.wallTop));
    }
    std::string inForce;
    for (const char c : whatIfText(rules())) {
        inForce += c == ',' ? std::string(", ") : std::string(1, c);
    }
    lines.push_back("rules: " + (inForce.empty() ? std::string("as quellon draws") : inForce));
    lines.push_back(stepping_ ? format("stepping: %d of %d strips (Space goes on)",
                                       std::min(frm_->stripLimit(), frm_->stripCount()),
                                       frm_->stripCount())
                              : std::string("F A R T W V change a rule, Space steps"));
    lines.push_back(status_);
    // Where the pointer is on the map: the grid file's row numbers, 00 at the map's bottom.
    const bool onGrid = hovered_ && frm_->worldMap.inside(hovered_->column, hovered_->row);
    lines.push_back(onGrid ? format("cell %d,%d (row %02d): click paints it", hovered_->column,
                                    hovered_->row, hovered_->row)
                           : format("x right, y up; wheel zooms (%d px)", scale_));
    return lines;
}

std::vector<std::string> LabPanel::readout() const {
    // Every line fits: a long one goes on in the next, and what is left below is cut. The font
    // has ASCII only; anything else shows as '?'.
    std::vector<std::string> fitted;
    for (const std::string& line : readoutLines()) {
        for (std::string& part : wrapped(printableAscii(line), readoutColumns(panelWidth_))) {
            fitted.push_back(std::move(part));
        }
    }
    fitted.resize(kReadoutLines);
    return fitted;
}

void LabPanel::drawReadout(Surface& panel, int top) const {
    fillRect(panel, 0, top, panel.width(), panel.height() - top, kReadoutBackground);
    const std::vector<std::string> lines = readout();
    for (std::size_t i = 0; i < lines.size(); ++i) {
        font::drawText(panel, kMarginPx,
                       top + kMarginPx + static_cast<int>(i) * font::kLineHeightPx, lines[i],
                       kReadoutText);
    }
}

void LabPanel::pointer(const PointerEvent& event) {
    switch (event.kind) {
        case PointerEvent::Kind::kMove:
            hovered_.reset();
            if (event.area == PointerEvent::Area::kView) {
                pick(event.x);
            } else if (event.y < mapHeight_) {
                hovered_ = mapCellAt(view_, event.x, event.y);
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

void LabPanel::command(int keyCode, int shiftState) {
    switch (keyCode) {
        case kSaveKey:
            save();
            return;
        case kStepKey:
            step(!stepping_);
            return;
        case kNextStripKey:
            if ((shiftState & kShiftMask) != 0) {
                restOfFrame();
            } else {
                nextStrip();
            }
            return;
        default:
            break;
    }
    for (const RuleKey& ruleKey : kRuleKeys) {
        if (ruleKey.key != keyCode) {
            continue;
        }
        const int value = whatIfRuleValue(rules(), ruleKey.rule);
        const int next = ruleKey.steps.empty() ? 1 - value : nextOf(ruleKey.steps, value);
        setRules(withWhatIfRule(rules(), ruleKey.rule, next).rules);
    }
}

void LabPanel::fileDropped(const std::string& path) {
    if (openMaze_ == nullptr) {
        status_ = "Files cannot be opened here.";
        return;
    }
    Surface levelImage;
    std::string saveName;
    std::string error;
    if (!openMaze_(path, levelImage, saveName, error)) {
        report(error);  // the maze stays as it was
        return;
    }
    openLevel(levelImage, path, saveName);
}

void LabPanel::openLevel(const Surface& levelImage, const std::string& name,
                         const std::string& saveName) {
    if (frm_ == nullptr) {
        return;
    }
    frm_->openLevel(levelImage);
    opened(name, saveName);
}

void LabPanel::opened(const std::string& name, const std::string& saveName) {
    saveName_ = saveName;
    if (keeping_ == Keeping::kDownload) {
        status_ = "Opened " + named(name) + "; S downloads its grid as " + named(saveName);
        return;
    }
    status_ = saveName == name
                  ? "Opened " + named(name) + "; S saves it there"
                  : "Opened " + named(name) + "; S saves it beside, to " + named(saveName);
}

void LabPanel::pick(int viewX) {
    if (frm_ == nullptr || viewX < 0 || viewX / rules().stripWidthPx >= frm_->stripCount()) {
        return;
    }
    pickX_ = viewX;
    frm_->traceStripAt(pickX_);
}

bool LabPanel::paint(int column, int row) {
    if (frm_ == nullptr) {
        return false;
    }
    const Painting painting = paintingOf(frm_->worldMap, frm_->pose, column, row);
    if (!WorldMap::inside(column, row)) {
        return false;
    }
    status_ = painting.said;
    if (!painting.code) {
        return false;
    }
    frm_->paintCell(column, row, *painting.code);
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
    const std::string done =
        keeping_ == Keeping::kDownload ? "Offered the grid as " : "Saved the grid to ";
    status_ = saved ? done + named(saveName_) : error;
    return saved;
}

}  // namespace quellon
