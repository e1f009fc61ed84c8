// The main window object: owns all lasting state, runs start-up and the frame loop, and
// receives the keyboard and close events of the window it is given.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "gfx/surface.h"
#include "math/angles.h"
#include "platform/window.h"
#include "render/raycast.h"
#include "render/textures.h"
#include "render/view_drawer.h"
#include "render/what_if.h"
#include "world/level.h"
#include "world/movement.h"

namespace quellon {

inline constexpr std::int16_t kTrue = -1;  // booleans are stored with all bits set
inline constexpr std::int16_t kFalse = 0;
inline constexpr int kKeyCodes = 256;

inline constexpr std::int32_t kWaitThresholdMs = 5;  // the wait ends once more than this passed
inline constexpr double kTickMs = 5.0;
inline constexpr std::uint32_t kRatePeriodMs = 1000;
inline constexpr float kStartX = 2.5f;
inline constexpr float kStartY = 2.5f;

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
    struct Options {
        bool drawView = true;  // off only in test builds that measure the loop alone
        // Off only in a test build that keeps the wait polling without rest, to compare with.
        bool restInWait = true;
        // For programs that show how the picture was made (the lab): keep each frame's strips
        // in frameStrips, and the cells read for frameTrace.strip in frameTrace.
        bool keepFrameStrips = false;
    };

    FrmMain(Window& window, ImageHolders images, Options options);
    FrmMain(Window& window, ImageHolders images) : FrmMain(window, std::move(images), Options{}) {}

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
    // every strip and draws the view. The view drawer writes the background together with
    // the walls, so the clear itself writes no pixel and each pixel is written once.
    void clear();
    void Raycast();
    // One simulation tick, ending in a yield.
    void GameCode();

    // Lasting state, all zero until start-up.
    WorldMap worldMap;
    AngleTables trig;
    Pose pose;
    std::array<std::int16_t, kKeyCodes> keyState{};
    std::int32_t frameRate = 0;
    std::int16_t quitFlag = kFalse;
    ImageHolders holders;

    // The last frame's strips and the trace of one of them, with keepFrameStrips only.
    std::vector<Strip> frameStrips;
    StripTrace frameTrace;

    // For programs that let the picture's rules change (the lab), read by Raycast once per
    // frame: the what-if rules in force (null, or rules that change nothing: the exact cast as
    // ever), and how many strips from the left are drawn, the rest staying background
    // (kAllStrips: every one). Anything else draws the frame through render/what_if.h.
    const WhatIfRules* whatIf = nullptr;
    int stripsToDraw = kAllStrips;
    // Set by a program that steps through a frame: the ticks keep coming, and yielding, but
    // the player does not move.
    bool worldPaused = false;
    // The strips a whole frame has now, under the rules in force.
    int stripCount() const;

  private:
    void keyDown(int keyCode, int shiftState) override { Form_KeyDown(keyCode, shiftState); }
    void keyUp(int keyCode, int shiftState) override { Form_KeyUp(keyCode, shiftState); }
    void closeRequested() override;

    // A pass's wait: until the counter reads more than kWaitThresholdMs past lastUpdateTick,
    // taking events throughout.
    void wait(std::uint32_t lastUpdateTick);
    void printFrameRate();
    HeldKeys heldKeys() const;
    // Raycast under the what-if rules or drawing only some strips.
    void raycastWhatIf();

    Window& window_;
    Options options_;
    ViewDrawer view_;
    std::vector<Strip> whatIfStrips_;  // a what-if frame's strips, unless kept in frameStrips
};

}  // namespace quellon
