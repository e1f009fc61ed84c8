// The main window object: owns all lasting state, runs start-up and the frame loop, and
// receives the keyboard and close events of the window it is given.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "gfx/surface.h"
#include "math/angles.h"
#include "platform/window.h"
#include "render/frame.h"
#include "render/raycast.h"
#include "render/what_if.h"
#include "world/level.h"
#include "world/movement.h"
#include "world/textures.h"

namespace quellon {

inline constexpr std::int16_t kTrue = -1;  // booleans are stored with all bits set
inline constexpr std::int16_t kFalse = 0;
inline constexpr int kKeyCodes = 256;

inline constexpr std::int32_t kWaitThresholdMs = 5;  // the wait ends once more than this passed
inline constexpr double kTickMs = 5.0;
inline constexpr std::uint32_t kRatePeriodMs = 1000;

// Milliseconds from `earlier` to `later`, two readings of the wrapping 32-bit counter. Taken
// modulo 2^32, so a wrap or the step across the counter's sign bit between the two readings
// still gives the true small difference.
constexpr std::uint32_t ticksBetween(std::uint32_t earlier, std::uint32_t later) {
    return later - earlier;
}

// The 16-bit elapsed time of one pass. A stall longer than 16 bits hold counts as the
// longest one they do, so it is made up by as many ticks as fit rather than wrapping negative.
constexpr std::int16_t toElapsedMs(std::uint32_t ms) {
    return ms > INT16_MAX ? std::int16_t{INT16_MAX} : static_cast<std::int16_t>(ms);
}

// The seven hidden image holders.
struct ImageHolders {
    Surface picMap;         // the level image
    TextureSet picTexture;  // wall textures; element 0 holds element 1's image
};

// Decodes the images carried in the program. An image that fails to decode leaves an empty
// holder, which draws nothing and reads as no colour.
ImageHolders loadCarriedImages();

class FrmMain final : private WindowEvents {
  public:
    FrmMain(Window& window, ImageHolders images);

    // Start-up, then the frame loop; returns when a close request has been granted.
    void Form_Load();
    // The start-up steps alone: show, build the tables, place the player, scan the level,
    // beep. Form_Load begins with them; tools that draw or walk without the loop use them.
    void startUp();
    // Key events: set or clear the key's entry; codes without an entry are ignored.
    void Form_KeyDown(int keyCode, int shiftState);
    void Form_KeyUp(int keyCode, int shiftState);
    // A close request: always granted.
    void Form_QueryUnload(std::int16_t& cancel, std::int16_t unloadMode);

    // A pass's drawing, steps 2 and 3: clear starts the frame as background, Raycast casts
    // every strip and draws the view. The frame drawer writes the background together with
    // the walls, so the clear itself writes no pixel and each pixel is written once.
    void clear();
    void Raycast();
    // One simulation tick, ending in a yield.
    void GameCode();

    // What programs that show how the picture is made (the lab, the page) and the tools ask
    // of the main window.
    // The maze of `levelImage` takes the place of the one walked: the level scan reads it as at
    // start-up, and the player starts again where they always do.
    void openLevel(const Surface& levelImage);
    // Gives the cell at (column, row) of the grid the code `code` (the lab paints the maze).
    void paintCell(int column, int row, std::int16_t code);
    // Puts the player at `where` (the probe draws and walks from any pose).
    void placePlayer(const Pose& where);
    // The rules of the picture from the next frame on; today's to start with.
    void setRules(const WhatIfRules& rules);
    const WhatIfRules& rules() const { return frameRules_.whatIf; }
    // Only the first `strips` strips of each frame are drawn from the next frame on, the rest
    // staying background (kAllStrips: every one), for stepping through a frame.
    void limitStrips(int strips);
    int stripLimit() const { return frameRules_.stripsToDraw; }
    // The strips a whole frame has now, under the rules in force.
    int stripCount();
    // While paused the ticks keep coming, and yielding, but the player does not move.
    void pause(bool paused) { paused_ = paused; }
    bool paused() const { return paused_; }
    // Notes every cell the walks of the strip at column `viewX` of the view read, in each frame
    // from the next on, whatever the strips' width then (-1: none).
    void traceStripAt(int viewX) { traceX_ = viewX; }

    // The last frame's strips, and the cells its traced strip's walks read.
    const std::vector<Strip>& frameStrips() const { return drawer_.strips(); }
    const StripTrace& frameTrace() const { return trace_; }
    Scene scene() const { return Scene{pose, worldMap, trig}; }

    // Lasting state, all zero until start-up.
    WorldMap worldMap;
    AngleTables trig;
    Pose pose;
    std::array<std::int16_t, kKeyCodes> keyState{};
    std::int32_t frameRate = 0;
    std::int16_t quitFlag = kFalse;
    ImageHolders holders;

  private:
    void keyDown(int keyCode, int shiftState) override { Form_KeyDown(keyCode, shiftState); }
    void keyUp(int keyCode, int shiftState) override { Form_KeyUp(keyCode, shiftState); }
    void closeRequested() override;

    // A pass's wait: until the counter reads more than kWaitThresholdMs past lastUpdateTick,
    // taking events throughout.
    void wait(std::uint32_t lastUpdateTick);
    void printFrameRate();
    HeldKeys heldKeys() const;

    Window& window_;
    FrameDrawer drawer_;
    FrameRules frameRules_;
    StripTrace trace_;
    int traceX_ = -1;
    bool paused_ = false;
};

}  // namespace quellon
