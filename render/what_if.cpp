#include "render/what_if.h"

#include <algorithm>
#include <array>
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

// Whether two strips aim the same ray, to the bit: a ray cast straight after itself reads the
// same cells and leaves the code registers as it found them, so its hit is the last one's.
// Neighbouring strips share their ray wherever rays go at whole degrees.
bool sameRay(const StripRay& a, const StripRay& b) {
    // Equal values of the same sign have the same bits (0.0 and -0.0 are equal, and differ); a
    // NaN is never the same, and its ray is only cast again.
    const auto same = [](auto x, auto y) { return x == y && std::signbit(x) == std::signbit(y); };
    return same(a.offset, b.offset) && same(a.angle, b.angle) && same(a.correction, b.correction) &&
           a.trig.ySign == b.trig.ySign && a.trig.xSign == b.trig.xSign &&
           same(a.trig.tangent, b.trig.tangent) && same(a.trig.tangentAhead, b.trig.tangentAhead) &&
           same(a.trig.tangentBehind, b.trig.tangentBehind);
}

// [learn:what-if]
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
// [/learn:what-if]

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

// Each rule with how it is read from and written into the rules; the table's order is the
// order whatIfText lists them in.
struct RuleEntry {
    WhatIfRule rule;
    int (*get)(const WhatIfRules&);
    void (*set)(WhatIfRules&, int);
};

// Which way a rule that aims the rays sets them, and what switching it off leaves.
void aim(WhatIfRules& rules, RayDirections rays, int on) {
    if (on != 0) {
        rules.rays = rays;
    } else if (rules.rays == rays) {
        rules.rays = RayDirections::kWholeDegrees;
    }
}

constexpr std::array kRuleEntries = {
    RuleEntry{{"fisheye", "", "", 0, 1, ""},
              [](const WhatIfRules& r) { return static_cast<int>(r.fisheye); },
              [](WhatIfRules& r, int v) { r.fisheye = v != 0; }},
    RuleEntry{{"fov", "D", "whole degrees", kMinWhatIfFieldOfViewDegrees,
               kMaxWhatIfFieldOfViewDegrees, ""},
              [](const WhatIfRules& r) { return r.fieldOfViewDegrees; },
              [](WhatIfRules& r, int v) { r.fieldOfViewDegrees = v; }},
    RuleEntry{{"strip", "N", "whole pixels", kMinWhatIfStripWidthPx, kMaxWhatIfStripWidthPx, ""},
              [](const WhatIfRules& r) { return r.stripWidthPx; },
              [](WhatIfRules& r, int v) { r.stripWidthPx = v; }},
    RuleEntry{{"exact-angles", "", "", 0, 1, "screen-rays"},
              [](const WhatIfRules& r) {
                  return static_cast<int>(r.rays == RayDirections::kEqualAngles);
              },
              [](WhatIfRules& r, int v) { aim(r, RayDirections::kEqualAngles, v); }},
    RuleEntry{
        {"screen-rays", "", "", 0, 1, "exact-angles"},
        [](const WhatIfRules& r) { return static_cast<int>(r.rays == RayDirections::kFlatScreen); },
        [](WhatIfRules& r, int v) { aim(r, RayDirections::kFlatScreen, v); }},
    RuleEntry{{"plain-walls", "", "", 0, 1, ""},
              [](const WhatIfRules& r) { return static_cast<int>(r.plainWalls); },
              [](WhatIfRules& r, int v) { r.plainWalls = v != 0; }},
};

// The rules alone, as whatIfRuleTable hands them out.
std::array<WhatIfRule, kRuleEntries.size()> ruleTable() {
    std::array<WhatIfRule, kRuleEntries.size()> table{};
    for (std::size_t i = 0; i < table.size(); ++i) {
        table[i] = kRuleEntries[i].rule;
    }
    return table;
}

const RuleEntry* entryNamed(std::string_view name) {
    const auto found = std::find_if(kRuleEntries.begin(), kRuleEntries.end(),
                                    [&](const RuleEntry& e) { return e.rule.name == name; });
    return found == kRuleEntries.end() ? nullptr : &*found;
}

// The rules as a list reads them: "fisheye, fov=D, ... or plain-walls".
std::string ruleNames() {
    std::string names;
    for (std::size_t i = 0; i < kRuleEntries.size(); ++i) {
        const WhatIfRule& rule = kRuleEntries[i].rule;
        names += i == 0 ? "" : (i + 1 == kRuleEntries.size() ? " or " : ", ");
        names += rule.name;
        if (rule.takesValue()) {
            names += '=';
            names += rule.valueName;
        }
    }
    return names;
}

std::string valueWanted(const WhatIfRule& rule) {
    return std::string(rule.name) + " must be " + std::string(rule.name) + "=" +
           std::string(rule.valueName) + ", " + std::string(rule.valueName) + " " +
           std::string(rule.unit) + " in " + range(rule.lowest, rule.highest);
}

}  // namespace

std::span<const WhatIfRule> whatIfRuleTable() {
    static const std::array<WhatIfRule, kRuleEntries.size()> table = ruleTable();
    return table;
}

int whatIfRuleValue(const WhatIfRules& rules, std::string_view name) {
    const RuleEntry* entry = entryNamed(name);
    return entry != nullptr ? entry->get(rules) : 0;
}

WhatIfParse withWhatIfRule(const WhatIfRules& rules, std::string_view name, int value) {
    const RuleEntry* entry = entryNamed(name);
    if (entry == nullptr) {
        return {rules, "unknown rule " + quoted(name) + " (" + ruleNames() + ")"};
    }
    const WhatIfRule& rule = entry->rule;
    if (value < rule.lowest || value > rule.highest) {
        return {rules, rule.takesValue() ? valueWanted(rule) + ", not " + std::to_string(value)
                                         : std::string(name) + " is 0 (off) or 1 (on), not " +
                                               std::to_string(value)};
    }
    WhatIfParse result{rules, {}};
    entry->set(result.rules, value);
    return result;
}

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
        const std::string_view item = list.substr(0, comma);
        list = comma == std::string_view::npos ? std::string_view{} : list.substr(comma + 1);
        if (item.empty() || (comma != std::string_view::npos && list.empty())) {
            return fail("an empty rule in the list");
        }
        const std::size_t equals = item.find('=');
        const std::string_view name = item.substr(0, equals);
        const bool hasValue = equals != std::string_view::npos;
        const std::string_view value = hasValue ? item.substr(equals + 1) : std::string_view{};
        const RuleEntry* entry = entryNamed(name);
        if (entry == nullptr) {
            return fail("unknown rule " + quoted(item) + " (" + ruleNames() + ")");
        }
        if (std::find(seen.begin(), seen.end(), name) != seen.end()) {
            return fail("rule " + std::string(name) + " given twice");
        }
        seen.push_back(name);
        const WhatIfRule& rule = entry->rule;
        if (rule.takesValue()) {
            int number = 0;
            if (!hasValue || !readValue(value, rule.lowest, rule.highest, number)) {
                return fail(valueWanted(rule) + ", not " + quoted(item));
            }
            entry->set(rules, number);
            continue;
        }
        if (hasValue) {
            return fail(std::string(name) + " takes no value, not " + quoted(item));
        }
        if (!rule.excludes.empty() &&
            std::find(seen.begin(), seen.end(), rule.excludes) != seen.end()) {
            return fail(std::string(rule.excludes) + " and " + std::string(name) +
                        " cannot be given together; choose one");
        }
        entry->set(rules, 1);
    }
    return result;
}

std::string whatIfText(const WhatIfRules& rules) {
    std::string text;
    const WhatIfRules today;
    for (const RuleEntry& entry : kRuleEntries) {
        const int value = entry.get(rules);
        if (value == entry.get(today)) {
            continue;
        }
        text += text.empty() ? "" : ",";
        text += entry.rule.name;
        if (entry.rule.takesValue()) {
            text += '=';
            text += std::to_string(value);
        }
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
    StripRay lastRay{};
    for (int stripX = 0; static_cast<double>(stripX) <= width && index < limit;
         stripX += rules.stripWidthPx, ++index) {
        const StripRay ray = aim(stripX, width, rules.fieldOfViewDegrees, scene);
        const bool traced = trace != nullptr && trace->strip == index;
        if (!strips.empty() && !traced && sameRay(ray, lastRay)) {
            Strip again = strips.back();
            again.stripX = stripX;
            strips.push_back(again);
            continue;
        }
        lastRay = ray;
        Strip strip;
        strip.stripX = stripX;
        strip.stripWidth = rules.stripWidthPx;
        strip.rayOffset = ray.offset;
        strip.rayAngle = ray.angle;
        strip.hit = castRayWith(ray.trig, scene, registers, traced ? &trace->reads : nullptr,
                                traced ? &trace->ends : nullptr);
        // [learn:fisheye]
        strip.distance =
            rules.fisheye
                ? strip.hit.wallDist
                : static_cast<float>(static_cast<double>(ray.correction) * strip.hit.wallDist);
        projectColumn(strip.distance, height, strip.wallHeight, strip.wallTop);
        // [/learn:fisheye]
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

}  // namespace quellon
