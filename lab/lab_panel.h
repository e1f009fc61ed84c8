// The lab's panel beside the view: the live ray map of the current frame, following the
// player, with a readout of the strip under the pointer. Clicking a cell of the map paints
// it, and a key saves the painted maze; where and how it is kept is the program's business.
// Keys change one rule of the picture at a time (the what-if rules), and a frame can be
// stepped through strip by strip with the world paused.
#pragma once

#include <array>
#include <functional>
#include <optional>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "app/frm_main.h"
#include "gfx/surface.h"
#include "platform/side_panel.h"
#include "render/ray_map.h"
#include "render/what_if.h"

namespace quellon {

// What painting the cell at (column, row) of `maze` does with the player at `pose`: the code the
// cell takes next (open floor and the wall codes in turn), or none, and what to tell the person.
// The outer ring and the player's own cell are refused.
struct Painting {
    std::optional<std::int16_t> code;
    std::string said;
};
Painting paintingOf(const WorldMap& maze, const Pose& pose, int column, int row);

class LabPanel final : public SidePanel {
  public:
    static constexpr int kWidthPx = 352;
    // The commands' keys; a letter's virtual-key code is the capital letter's.
    static constexpr int kSaveKey = 'S';
    static constexpr int kFisheyeKey = 'F';
    static constexpr int kExactAnglesKey = 'A';
    static constexpr int kScreenRaysKey = 'R';
    static constexpr int kTexturesKey = 'T';
    static constexpr int kStripWidthKey = 'W';
    static constexpr int kFieldOfViewKey = 'V';
    static constexpr int kStepKey = ' ';       // Space: pause the world and step, or go on
    static constexpr int kNextStripKey = 'N';  // with Shift: the rest of the frame
    // The strip widths W steps through, and the fields of view V does.
    static constexpr std::array<int, 7> kStripWidths = {1, 2, 3, 4, 6, 8, 16};
    static constexpr std::array<int, 6> kFieldsOfView = {30, 45, 60, 75, 90, 120};
    // The keys that change one rule of the picture each: a switch turns on and off, a rule with
    // values steps through its `steps`, round from the last to the first.
    struct RuleKey {
        int key;
        std::string_view rule;   // as whatIfRuleTable names it
        std::string_view label;  // what the rule is called beside a switch
        std::span<const int> steps;
    };
    static constexpr std::array<RuleKey, 6> kRuleKeys = {{
        {kFisheyeKey, "fisheye", "fisheye", {}},
        {kExactAnglesKey, "exact-angles", "exact angles", {}},
        {kScreenRaysKey, "screen-rays", "screen rays", {}},
        {kTexturesKey, "plain-walls", "plain walls", {}},
        {kStripWidthKey, "strip", "strip width", kStripWidths},
        {kFieldOfViewKey, "fov", "field of view", kFieldsOfView},
    }};
    // The name a maze is saved under when none was opened.
    static constexpr const char* kDefaultSaveName = "lab-level.txt";

    // Keeps the maze under `name`; false with a reason in `error` if it cannot.
    using SaveMaze =
        std::function<bool(const std::string& name, const WorldMap& maze, std::string& error)>;
    // Reads the maze in the file `name`: its level image, and the name it is saved under from
    // then on (see saveNameFor); false with a reason in `error`.
    using OpenMaze = std::function<bool(const std::string& name, Surface& levelImage,
                                        std::string& saveName, std::string& error)>;

    // How a saved maze is kept, as the readout says it: in a file, or offered as a download.
    enum class Keeping { kFile, kDownload };
    // Where the readout goes: drawn under the map, or shown by the program some other way (the
    // page shows it as text beside the map), the map then taking the whole panel.
    enum class ReadoutPlace { kUnderMap, kElsewhere };

    explicit LabPanel(SaveMaze saveMaze, OpenMaze openMaze = nullptr,
                      Keeping keeping = Keeping::kFile,
                      ReadoutPlace readoutPlace = ReadoutPlace::kUnderMap);

    // The main window whose frames the panel shows and whose maze and rules it changes.
    void attach(FrmMain& frm);

    int widthPx() const override { return kWidthPx; }
    void draw(Surface& panel) override;
    void pointer(const PointerEvent& event) override;
    void command(int keyCode, int shiftState) override;
    void fileDropped(const std::string& path) override;

    // What the pointer and keys do, for whoever drives the panel without a window.
    void pick(int viewX);
    // Cycles a cell through open floor and the wall codes; the outer ring and the player's
    // own cell are refused. Returns whether the cell changed.
    bool paint(int column, int row);
    void zoom(int steps);
    bool save();
    // The maze of `levelImage`, from the file `name`, takes the place of the one walked: the
    // level scan reads it as at start-up, the player starts again where they always do, and S
    // saves to `saveName` from then on (see opened).
    void openLevel(const Surface& levelImage, const std::string& name, const std::string& saveName);
    // The maze walked came from the file `name` and S saves it to `saveName` from now on: the
    // same file, or one beside it, which the readout says (a program that opened a maze at
    // start says which).
    void opened(const std::string& name, const std::string& saveName);
    // S saves to `name` from now on.
    void saveTo(std::string name);
    // Shows `line` in the readout's last line (what went wrong opening a maze elsewhere).
    void report(std::string line) { status_ = std::move(line); }
    const std::string& saveName() const { return saveName_; }

    // The rules of the picture in force, the main window's.
    void setRules(const WhatIfRules& rules);
    const WhatIfRules& rules() const;
    // Step mode: the world pauses and the view empties; each next strip adds one strip, and
    // the rest of the frame adds them all; leaving it lets the world go on.
    void step(bool on);
    bool stepping() const { return stepping_; }
    void nextStrip();
    void restOfFrame();
    // The readout as it is drawn, line by line; each fits the panel's width.
    std::vector<std::string> readout() const;
    // The readout's lines as they are, neither cut nor wrapped.
    std::vector<std::string> readoutLines() const;

    // The strip under the pointer (or the one stepped to), under the rules in force; -1 for none.
    int pickedStrip() const;
    int scale() const { return scale_; }
    const std::string& status() const { return status_; }
    // Where the map was last drawn, in panel pixels.
    const RayMapView& mapView() const { return view_; }

  private:
    void drawReadout(Surface& panel, int top) const;
    void drawAxes(Surface& panel) const;
    // The strip the readout and the map's marks are about.
    void choose(int strip);
    // A file's name as the readout shows it, shortened in the middle to fit.
    std::string named(const std::string& name) const;

    FrmMain* frm_ = nullptr;
    SaveMaze saveMaze_;
    OpenMaze openMaze_;
    Keeping keeping_;
    ReadoutPlace readoutPlace_;
    std::string saveName_ = kDefaultSaveName;
    std::string status_;
    int scale_ = kDefaultMapScale;
    int pickX_ = -1;  // the column of the view picked: its strip is picked under any rules
    std::optional<MapCell> hovered_;  // the cell of the map under the pointer
    int panelWidth_ = kWidthPx;
    int mapHeight_ = 0;
    RayMapView view_;
    bool stepping_ = false;
};

}  // namespace quellon
