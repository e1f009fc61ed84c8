// What-if rules: the view with some of its rules changed, so that a learner can change one and
// watch the picture change, and a view drawn only up to a given strip. Frames under rules are
// cast here, beside the exact cast of raycast.h, which never reads them, and drawn by the view
// drawer (render/frame.h decides which frame is which).
#pragma once

#include <climits>
#include <cstdint>
#include <span>
#include <string>
#include <string_view>
#include <vector>

#include "gfx/surface.h"
#include "render/raycast.h"
#include "world/textures.h"

namespace quellon {

inline constexpr int kMinWhatIfFieldOfViewDegrees = 20;
inline constexpr int kMaxWhatIfFieldOfViewDegrees = 160;
inline constexpr int kMinWhatIfStripWidthPx = 1;
inline constexpr int kMaxWhatIfStripWidthPx = 16;
// A strip limit that draws every strip of any frame.
inline constexpr int kAllStrips = INT_MAX;

// Which way each strip's ray points. W is the drawing area's width, D the field of view in
// degrees, the heading the player's angle; offsets and angles are in degrees.
enum class RayDirections : std::uint8_t {
    // As the exact cast aims them, trigonometry from the tables:
    //   offset = floor(p - D / 2), where q = stripX / W rounded to single, p = q * D rounded to
    //   single, and the subtraction is in double; angle = floor(heading + offset), the sum in
    //   double. The distance is corrected by lCos(offset).
    kWholeDegrees,
    // "exact-angles": every strip at its own angle, in equal angular steps:
    //   offset = (D * stripX) / W - D / 2, each operation in double, in that order;
    //   angle = heading + offset in double, not rounded to a whole degree.
    kEqualAngles,
    // "screen-rays": through equally spaced points of a flat screen:
    //   offset = atan(((2 * stripX - W) / W) * tan(D / 2)), each operation in double, atan's
    //   radians turned to degrees by * (180 / pi); the numerator 2 * stripX - W is exact, so
    //   strips mirrored about the centre get offsets of exactly opposite sign;
    //   angle = heading + offset in double.
    kFlatScreen,
};
// With kEqualAngles and kFlatScreen the trigonometry is computed, not looked up. An angle a in
// degrees becomes fmod(a, 360) * (pi / 180) radians in double (pi the double nearest to it,
// pi / 180 rounded once; fmod is exact). The cosine signs of a and a - 90 and the tangents of
// a, a + 90 and a - 90 (each sum in double) are then made as the tables make their entries
// (math/angles.h: tangents rounded to single and limited to +-kTanLimit, a cosine sign +1 or
// -1), and the distance is corrected by the cosine of the offset taken in double and rounded
// to single, the product with wallDist in double rounded to single as in the exact cast. The
// walks, distances, texture column and projection are the exact cast's own (castRayWith).

struct WhatIfRules {
    bool fisheye = false;  // "fisheye": the distance is not corrected for the ray's offset
    // "fov=D": the field of view D in whole degrees, in place of kFieldOfViewDegrees.
    int fieldOfViewDegrees = kFieldOfViewDegrees;
    // "strip=N": strips N pixels wide at stripX = 0, N, 2N, ... up to and including W, one ray
    // and one column N wide each.
    int stripWidthPx = kStripWidthPx;
    RayDirections rays = RayDirections::kWholeDegrees;
    // "plain-walls": each wall column in one colour, plainWallColour's, rather than textured.
    bool plainWalls = false;

    bool operator==(const WhatIfRules&) const = default;
    // True when offsets and angles may be fractional.
    bool fractionalAngles() const { return rays != RayDirections::kWholeDegrees; }
};

struct WhatIfParse {
    WhatIfRules rules;
    std::string error;  // one line; empty on success
    bool ok() const { return error.empty(); }
};

// One rule as whoever offers the rules one by one sees it (the page's switches, the lab's keys).
// A switch is 0 (off) or 1 (on); a rule with a value takes whole numbers lowest..highest.
struct WhatIfRule {
    std::string_view name;       // as a list gives it: "fisheye", "fov"
    std::string_view valueName;  // "D" in fov=D; empty for a switch
    std::string_view unit;       // what the value counts: "whole degrees"
    int lowest = 0;
    int highest = 1;
    std::string_view excludes;  // the rule that cannot be on with it, or empty
    bool takesValue() const { return !valueName.empty(); }
};

// Every rule, in the order whatIfText lists them.
std::span<const WhatIfRule> whatIfRuleTable();

// A rule's value in `rules`: a switch's 0 or 1, or its number; 0 for a name that is no rule.
int whatIfRuleValue(const WhatIfRules& rules, std::string_view name);

// `rules` with the one rule `name` set to `value`, and nothing else changed but the rule it
// excludes, switched off when it is switched on. An unknown rule or a value out of its range is
// an error, and leaves the rules as they were.
WhatIfParse withWhatIfRule(const WhatIfRules& rules, std::string_view name, int value);

// Reads a comma-separated list of rules: fisheye, fov=D, strip=N, exact-angles, screen-rays,
// plain-walls. The empty list is no rule: today's picture. An unknown or malformed rule, a rule
// given twice, a value out of range, or exact-angles with screen-rays, is an error.
WhatIfParse parseWhatIf(std::string_view list);

// The rules as parseWhatIf reads them, in the order above; "" when none differs from today.
std::string whatIfText(const WhatIfRules& rules);

// The number of strips of a frame `width` pixels wide under the rules.
int whatIfStripCount(float width, const WhatIfRules& rules);

// Casts strips 0..limit-1 of the frame under `rules` into `strips` (cleared first), left to
// right; a limit beyond the frame's strips casts them all. Strips left out change nothing in
// those cast: the code registers only carry forward. With `trace` given, the cells read for its
// strip are noted in it (nothing if that strip is not cast). A drawing area with no width or
// height has no strips.
void castWhatIfStrips(float width, float height, const Scene& scene, const WhatIfRules& rules,
                      std::vector<Strip>& strips, int limit = kAllStrips,
                      StripTrace* trace = nullptr);

// The colour of a wall column under plain-walls: its code's colour in the level image, and
// where the vertical walk won each channel halved, rounding down.
Colour plainWallColour(const WallHit& hit);

}  // namespace quellon
