// What a frame is, and the one place that decides how it is cast and drawn: the exact frame by
// the renderer's own path, a frame under what-if rules or cut short at a strip beside it.
// Every program that shows or reports a frame (the main window, the lab, the probe, the page)
// goes through here.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

#include "gfx/surface.h"
#include "render/raycast.h"
#include "render/view_drawer.h"
#include "render/what_if.h"
#include "world/textures.h"

namespace quellon {

// The rules a frame's picture is made by and how many of its strips, from the left, are drawn.
struct FrameRules {
    WhatIfRules whatIf;             // today's rules unless changed
    int stripsToDraw = kAllStrips;  // the rest of the view stays background

    // The exact frame: today's rules, every strip.
    bool exact() const { return whatIf == WhatIfRules{} && stripsToDraw == kAllStrips; }
    bool operator==(const FrameRules&) const = default;
};

// The strips of the frame the rules ask for, left to right, into `strips` (cleared first); with
// `trace` given, the cells its strip's walks read.
void castFrame(float width, float height, const Scene& scene, const FrameRules& rules,
               std::vector<Strip>& strips, StripTrace* trace = nullptr);

// Draws frames into a view: one per window, as it keeps what it needs from frame to frame.
class FrameDrawer {
  public:
    // Casts the frame `rules` asks for at the target's size and writes every pixel of
    // `target`: `background`, and the strips' walls, textured or under plain-walls in their
    // colours, all made in the target's format. Its strips stay in strips() until the next
    // frame; `trace` as for castFrame.
    void draw(Surface& target, Colour background, const Scene& scene, const TextureSet& textures,
              const FrameRules& rules, StripTrace* trace = nullptr);

    // The last frame's strips.
    const std::vector<Strip>& strips() const { return strips_; }

    // How the drawer stores rows (see ViewDrawer::Stores).
    void useStores(ViewDrawer::Stores stores) { view_.useStores(stores); }

  private:
    // The textures in the target's format and kept column by column (row c of each is its
    // column c, top to bottom), as the drawer reads them: made once, when a target of a format
    // first comes, and kept for the frames after.
    const TextureSet& textureColumnsIn(PixelFormat format, const TextureSet& textures);

    ViewDrawer view_;
    std::vector<Strip> strips_;
    TextureSet columns_;
    // For each texture, each column's runs of one colour (ViewDrawer::TexelRuns): column c's
    // starts from c * kTextureSize on, and their count.
    std::array<std::vector<std::uint8_t>, kTextureCount> runStarts_;
    std::array<std::vector<int>, kTextureCount> runCounts_;
    const TextureSet* columnsFrom_ = nullptr;
    PixelFormat columnsFormat_ = PixelFormat::kXbgr;
};

}  // namespace quellon
