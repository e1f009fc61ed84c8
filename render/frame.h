// What a frame is, and the one place that decides how it is cast and drawn: the exact frame by
// the renderer's own path, a frame under what-if rules or cut short at a strip beside it.
// Every program that shows or reports a frame (the main window, the lab, the probe, the page)
// goes through here.
#pragma once

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
    // `target`: `background`, and the strips' walls. Its strips stay in strips() until the
    // next frame; `trace` as for castFrame.
    void draw(Surface& target, Colour background, const Scene& scene, const TextureSet& textures,
              const FrameRules& rules, StripTrace* trace = nullptr);

    // The last frame's strips.
    const std::vector<Strip>& strips() const { return strips_; }

  private:
    ViewDrawer view_;
    std::vector<Strip> strips_;
};

}  // namespace quellon
