#include "render/what_if.h"

#include <algorithm>
#include <charconv>
#include <cmath>
#include <numbers>

#include "math/angles.h"
#include "text/one_line.h"
#include "world/level.h"

namespace quellon {

namespace {

constexpr double kRadiansPerDegree = std::numbers::pi / 180.0;
constexpr double kDegreesPerRadian = 180.0 / std::numbers::pi;

constexpr std::string_view kFisheye = "fisheye";
constexpr std::string_view kFieldOfView = "fov";
constexpr std::string_view kStripWidth = "strip";
constexpr std::string_view kExactAngles = "exact-angles";
constexpr std::string_view kScreenRays = "screen-rays";
constexpr std::string_view kPlainWalls = "plain-walls";

// fmod is exact, so only the one product rounds.
double radiansOf(double degrees) {
    return std::fmod(degrees, kDegreesPerTurn) * kRadiansPerDegree;
}

// What the tables would hold for a ray of any angle, computed.
RayTrig computeRayTrig(double rayAngle) {
    const double ray = radiansOf(rayAngle);
    const double ahead = radiansOf(rayAngle + kQuarterTurnDegrees);
    const double behind = radiansOf(rayAngle - kQuarterTurnDegrees);
    return RayTrig{cosSignEntry(ray), tangentEntry(ray), cosSignEntry(behind), tangentEntry(ahead),
                   tangentEntry(behind)};
}

// A strip's ray: its offset and angle, its trigonometry, and the cosine its distance is
// corrected by.
struct StripRay {
    double offset;
    double angle;
    RayTrig trig;
    float correction;
};

using AimRay = StripRay (*)(int stripX, float width, int fieldOfView, const Scene& scene);

StripRay wholeDegreeRay(int stripX, float width, int fieldOfView, const Scene& scene) {
    const int offset = stripRayOffset(stripX, width, fieldOfView);
    const double angle = std::floor(static_cast<double>(scene.pose.playerAngle) + offset);
    return StripRay{static_cast<double>(offset), angle, lookUpRayTrig(angle, scene.trig),
                    scene.trig.lCos(static_cast<std::int16_t>(offset))};
}

StripRay computedRay(double offset, const Scene& scene) {
    const double angle = static_cast<double>(scene.pose.playerAngle) + offset;
    return StripRay{offset, angle, computeRayTrig(angle),
                    static_cast<float>(std::cos(radiansOf(offset)))};
}

StripRay equalAngleRay(int stripX, float width, int fieldOfView, const Scene& scene) {
    const double span = fieldOfView;
    return computedRay(span * stripX / static_cast<double>(width) - span / 2.0, scene);
}

StripRay flatScreenRay(int stripX, float width, int fieldOfView, const Scene& scene) {
    const double across = static_cast<double>(width);
    const double screenX = (2.0 * stripX - across) / across;  // -1 at the left edge, +1 at W
    const double halfWidth = std::tan(radiansOf(fieldOfView / 2.0));
    return computedRay(std::atan(screenX * halfWidth) * kDegreesPerRadian, scene);
}

AimRay aimFor(RayDirections rays) {
    switch (rays) {
        case RayDirections::kEqualAngles:
            return equalAngleRay;
        case RayDirections::kFlatScreen:
            return flatScreenRay;
        case RayDirections::kWholeDegrees:
            break;
    }
    return wholeDegreeRay;
}

// A rule's value: digits alone, within lo..hi.
bool readValue(std::string_view text, int lo, int hi, int& value) {
    if (text.empty() ||
        !std::all_of(text.begin(), text.end(), [](char c) { return c >= '0' && c <= '9'; })) {
        return false;
    }
    const auto [end, ec] = std::from_chars(text.data(), text.data() + text.size(), value);
    return ec == std::errc{} && end == text.data() + text.size() && value >= lo && value <= hi;
}

std::string range(int lo, int hi) {
    return std::to_string(lo) + ".." + std::to_string(hi);
}

// Fills `target`'s pixels in the rectangle, clipped; the far edges may pass 32 bits.
void fillRect(Surface& target, std::int64_t left, std::int64_t top, std::int64_t width,
              std::int64_t height, Colour colour) {
    const auto x0 = static_cast<int>(std::clamp<std::int64_t>(left, 0, target.width()));
    const auto x1 = static_cast<int>(std::clamp<std::int64_t>(left + width, 0, target.width()));
    const auto y0 = static_cast<int>(std::clamp<std::int64_t>(top, 0, target.height()));
    const auto y1 = static_cast<int>(std::clamp<std::int64_t>(top + height, 0, target.height()));
    for (int y = y0; y < y1 && x0 < x1; ++y) {
        std::fill(target.row(y) + x0, target.row(y) + x1, (colour & 0xFFFFFF) | target.topByte());
    }
}

}  // namespace

WhatIfParse parseWhatIf(std::string_view list) {
    WhatIfParse result;
    WhatIfRules& rules = result.rules;
    std::vector<std::string_view> seen;
    const auto fail = [&](std::string why) {
        result.rules = WhatIfRules{};
        result.error = std::move(why);
        return result;
    };
    while (!list.empty()) {
        const std::size_t comma = list.find(',');
        const std::string_view rule = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
        if (rule.empty() || (comma != std::string_view::npos && list.empty())) {
            return fail("an empty rule in the list");
        }
        const std::size_t equals = rule.find('=');
        const std::string_view name = rule.substr(0, equals);
        const bool hasValue = equals != std::string_view::npos;
        const std::string_view value = hasValue ? rule.substr(equals + 1) : std::string_view{};
        const bool known = name == kFisheye || name == kFieldOfView || name == kStripWidth ||
                           name == kExactAngles || name == kScreenRays || name == kPlainWalls;
        if (!known) {
            return fail("unknown rule " + quoted(rule) +
                        " (fisheye, fov=D, strip=N, exact-angles, screen-rays or plain-walls)");
        }
        if (std::find(seen.begin(), seen.end(), name) != seen.end()) {
            return fail("rule " + std::string(name) + " given twice");
        }
        seen.push_back(name);
        if (name == kFieldOfView || name == kStripWidth) {
            const bool fov = name == kFieldOfView;
            const int lo = fov ? kMinWhatIfFieldOfViewDegrees : kMinWhatIfStripWidthPx;
            const int hi = fov ? kMaxWhatIfFieldOfViewDegrees : kMaxWhatIfStripWidthPx;
            int& field = fov ? rules.fieldOfViewDegrees : rules.stripWidthPx;
            if (!hasValue || !readValue(value, lo, hi, field)) {
                return fail(std::string(name) + " must be " + std::string(name) +
                            (fov ? "=D, D whole degrees in " : "=N, N whole pixels in ") +
                            range(lo, hi) + ", not " + quoted(rule));
            }
            continue;
        }
        if (hasValue) {
            return fail(std::string(name) + " takes no value, not " + quoted(rule));
        }
        if (name == kFisheye) {
            rules.fisheye = true;
        } else if (name == kPlainWalls) {
            rules.plainWalls = true;
        } else {
            const RayDirections rays =
                name == kExactAngles ? RayDirections::kEqualAngles : RayDirections::kFlatScreen;
            if (rules.rays != RayDirections::kWholeDegrees && rules.rays != rays) {
                return fail("exact-angles and screen-rays aim the rays two ways; choose one");
            }
            rules.rays = rays;
        }
    }
    return result;
}

std::string whatIfText(const WhatIfRules& rules) {
    std::string text;
    const auto add = [&](std::string_view rule) {
        text += text.empty() ? "" : ",";
        text += rule;
    };
    const WhatIfRules today;
    if (rules.fisheye) {
        add(kFisheye);
    }
    if (rules.fieldOfViewDegrees != today.fieldOfViewDegrees) {
        add(std::string(kFieldOfView) + "=" + std::to_string(rules.fieldOfViewDegrees));
    }
    if (rules.stripWidthPx != today.stripWidthPx) {
        add(std::string(kStripWidth) + "=" + std::to_string(rules.stripWidthPx));
    }
    if (rules.rays == RayDirections::kEqualAngles) {
        add(kExactAngles);
    }
    if (rules.rays == RayDirections::kFlatScreen) {
        add(kScreenRays);
    }
    if (rules.plainWalls) {
        add(kPlainWalls);
    }
    return text;
}

int whatIfStripCount(float width, const WhatIfRules& rules) {
    return stripCount(width, rules.stripWidthPx);
}

void castWhatIfStrips(float width, float height, const Scene& scene, const WhatIfRules& rules,
                      std::vector<Strip>& strips, int limit, StripTrace* trace) {
    strips.clear();
    if (trace != nullptr) {
        trace->reads.clear();
    }
    if (!(width >= 1.0f) || !(height >= 1.0f) || rules.stripWidthPx < 1) {
        return;
    }
    const AimRay aim = aimFor(rules.rays);
    CodeRegisters registers;
    int index = 0;
    for (int stripX = 0; static_cast<double>(stripX) <= width && index < limit;
         stripX += rules.stripWidthPx, ++index) {
        const StripRay ray = aim(stripX, width, rules.fieldOfViewDegrees, scene);
        Strip strip;
        strip.stripX = stripX;
        strip.stripWidth = rules.stripWidthPx;
        strip.rayOffset = ray.offset;
        strip.rayAngle = ray.angle;
        const bool traced = trace != nullptr && trace->strip == index;
        strip.hit = castRayWith(ray.trig, scene, registers, traced ? &trace->reads : nullptr);
        strip.distance =
            rules.fisheye
                ? strip.hit.wallDist
                : static_cast<float>(static_cast<double>(ray.correction) * strip.hit.wallDist);
        projectColumn(strip.distance, height, strip.wallHeight, strip.wallTop);
        strips.push_back(strip);
    }
}

Colour plainWallColour(const WallHit& hit) {
    const bool known = hit.wallCode >= 0 && hit.wallCode < kCellCodes;
    const Colour colour = kLevelColours[static_cast<std::size_t>(known ? hit.wallCode : 0)];
    // Each channel halved, rounding down: the bit each channel shifts into its neighbour's
    // top is masked away.
    constexpr Colour kHalfMask = 0x7F7F7F;
    return hit.walk == WalkLines::kVertical ? (colour >> 1) & kHalfMask : colour;
}

void drawWhatIfFrame(Surface& target, Colour background, std::span<const Strip> strips,
                     const TextureSet& textures, const WhatIfRules& rules) {
    target.fill(background);
    for (const Strip& s : strips) {
        if (rules.plainWalls) {
            fillRect(target, s.stripX, s.wallTop, s.stripWidth, s.wallHeight,
                     plainWallColour(s.hit));
        } else {
            StretchBlt(target, s.stripX, s.wallTop, s.stripWidth, s.wallHeight,
                       textures[static_cast<std::size_t>(textureElement(s.hit.wallCode))],
                       s.hit.texColumn, 0, 1, kTextureSize);
        }
    }
}

}  // namespace quellon
