#include "render/raycast.h"

#include <cmath>

namespace quellon {

namespace {

constexpr float kWalkLimit = kMapSize - 1;  // walks stop once a crossing leaves 0..kWalkLimit

// One walk over one family of grid lines. Along the family's own axis the crossing always
// holds a whole number; `back` is 1 when that axis is walked towards smaller values, so the
// cell read is the one on the far side of the crossed line.
struct Walk {
    float x;
    float y;
    float stepX;
    float stepY;
    int back;
};

float distanceTo(const Pose& pose, float x, float y) {
    const float dx = pose.playerX - x;
    const float dy = pose.playerY - y;
    return static_cast<float>(
        std::sqrt(static_cast<double>(dx) * dx + static_cast<double>(dy) * dy));
}

bool outsideWalkRange(float x, float y) {
    return x > kWalkLimit || x < 0.0f || y > kWalkLimit || y < 0.0f;
}

// [learn:walk]
// Steps a walk until it reads a wall or leaves the range; the range test comes first, so a
// walk starting outside reads nothing and its register keeps its earlier value. Along its own
// axis a walk moves one whole line per step, so it reads at most one cell on each of the
// kMapSize lines of its family inside the range; the bound also ends a walk whose step is zero,
// as it would be on tables that were never built.
// `read` says how many cells the walk has read already.
void walk(WalkLines lines, Walk& walk, const WorldMap& worldMap, std::int16_t& code,
          std::vector<CellRead>* reads, int read = 0) {
    for (; read < kMapSize && !outsideWalkRange(walk.x, walk.y); ++read) {
        // Inside the range both coordinates are 0 or more, where truncation is the floor.
        const int column =
            static_cast<int>(walk.x) - (lines == WalkLines::kVertical ? walk.back : 0);
        const int row =
            static_cast<int>(walk.y) - (lines == WalkLines::kHorizontal ? walk.back : 0);
        code = worldMap.cellOrWall(column, row);
        if (reads != nullptr) {
            reads->push_back({lines, walk.x, walk.y, column, row, code});
        }
        if (code != kOpenFloor) {
            return;
        }
        walk.x = walk.x + walk.stepX;
        walk.y = walk.y + walk.stepY;
    }
}
// [/learn:walk]

// Both walks of a ray as walk() takes them one after the other, stepped side by side while
// both go on: the same reads, steps and codes, but the two chains of additions overlap in the
// processor instead of waiting on each other. Whichever walk goes further finishes alone.
void walkBoth(Walk& horiz, Walk& vert, const WorldMap& worldMap, CodeRegisters& registers) {
    int read = 0;
    for (; read < kMapSize && !outsideWalkRange(horiz.x, horiz.y) &&
           !outsideWalkRange(vert.x, vert.y);
         ++read) {
        const std::int16_t horizCode =
            worldMap.cellOrWall(static_cast<int>(horiz.x), static_cast<int>(horiz.y) - horiz.back);
        const std::int16_t vertCode =
            worldMap.cellOrWall(static_cast<int>(vert.x) - vert.back, static_cast<int>(vert.y));
        if (horizCode != kOpenFloor || vertCode != kOpenFloor) {
            break;  // each walk reads that cell again below, and stops or goes on from it
        }
        horiz.x = horiz.x + horiz.stepX;
        horiz.y = horiz.y + horiz.stepY;
        vert.x = vert.x + vert.stepX;
        vert.y = vert.y + vert.stepY;
    }
    if (read > 0) {  // every cell read side by side was open floor
        registers.horizCode = kOpenFloor;
        registers.vertCode = kOpenFloor;
    }
    walk(WalkLines::kHorizontal, horiz, worldMap, registers.horizCode, nullptr, read);
    walk(WalkLines::kVertical, vert, worldMap, registers.vertCode, nullptr, read);
}

// The two walks of one ray from the player, the choice of the nearer end and its texture
// column. Inline, so that castRay keeps its table lookups and the walks in one piece.
inline WallHit cast(const RayTrig& ray, const Scene& scene, CodeRegisters& registers,
                    std::vector<CellRead>* reads, WalkEnds* ends) {
    const Pose& pose = scene.pose;

    // [learn:walk-h]
    // Crossings of the lines y = whole number; the ray's cosine sign says which way.
    Walk horiz{};
    horiz.back = ray.ySign == -1 ? 1 : 0;
    horiz.y = std::floor(pose.playerY) + (horiz.back ? 0.0f : 1.0f);
    horiz.x = pose.playerX + (horiz.y - pose.playerY) * ray.tangent;  // all in single
    horiz.stepX = ray.tangent * static_cast<float>(ray.ySign);
    horiz.stepY = static_cast<float>(ray.ySign);
    // [/learn:walk-h]

    // [learn:walk-v]
    // Crossings of the lines x = whole number; the sign of the sine says which way. The
    // first crossing and the step use the tangents of two angles half a turn apart, which
    // differ in their last bits.
    Walk vert{};
    vert.back = ray.xSign == -1 ? 1 : 0;
    vert.x = std::floor(pose.playerX) + (vert.back ? 0.0f : 1.0f);
    vert.y = pose.playerY - (vert.x - pose.playerX) * ray.tangentAhead;  // all in single
    vert.stepY = ray.tangentBehind * static_cast<float>(-ray.xSign);
    vert.stepX = static_cast<float>(ray.xSign);
    // [/learn:walk-v]

    if (reads == nullptr) {
        walkBoth(horiz, vert, scene.worldMap, registers);
    } else {  // the trace lists the horizontal walk's reads first
        walk(WalkLines::kHorizontal, horiz, scene.worldMap, registers.horizCode, reads);
        walk(WalkLines::kVertical, vert, scene.worldMap, registers.vertCode, reads);
    }
    // [learn:nearer]
    const float horizDist = distanceTo(pose, horiz.x, horiz.y);
    const float vertDist = distanceTo(pose, vert.x, vert.y);

    WallHit hit;
    float along = 0.0f;  // the hit's coordinate along the wall face
    if (horizDist < vertDist) {
        hit.wallDist = horizDist;
        hit.wallCode = registers.horizCode;
        hit.walk = WalkLines::kHorizontal;
        hit.hitX = horiz.x;
        hit.hitY = horiz.y;
        along = horiz.x;
    } else {
        hit.wallDist = vertDist;
        hit.wallCode = registers.vertCode;
        hit.walk = WalkLines::kVertical;
        hit.hitX = vert.x;
        hit.hitY = vert.y;
        along = vert.y;
    }
    // [/learn:nearer]
    // [learn:tex-column]
    // Exact: the fraction of a single is a single, and times 64 only moves its exponent.
    hit.texColumn =
        static_cast<std::int16_t>(std::floor((along - std::floor(along)) * kTextureSize));
    // [/learn:tex-column]
    if (ends != nullptr) {
        *ends = WalkEnds{horiz.x, horiz.y, horizDist, vert.x, vert.y, vertDist};
    }
    return hit;
}

// Inline, so that the exact cast's field of view folds into it as a constant.
// [learn:offset]
inline int offsetAcross(int stripX, float width, int fieldOfViewDegrees) {
    const float q = static_cast<float>(static_cast<double>(stripX) / width);
    const float p = static_cast<float>(static_cast<double>(q) * fieldOfViewDegrees);
    return static_cast<int>(std::floor(static_cast<double>(p) - fieldOfViewDegrees / 2.0));
}
// [/learn:offset]

std::int32_t roundToPixels(double value) {
    return static_cast<std::int32_t>(std::nearbyint(value));
}

}  // namespace

int stripRayOffset(int stripX, float width) {
    return offsetAcross(stripX, width, kFieldOfViewDegrees);
}

int stripRayOffset(int stripX, float width, int fieldOfViewDegrees) {
    return offsetAcross(stripX, width, fieldOfViewDegrees);
}

int stripCount(float width, int stripWidthPx) {
    if (!(width >= 1.0f) || stripWidthPx < 1) {
        return 0;
    }
    return static_cast<int>(static_cast<double>(width) / stripWidthPx) + 1;
}

RayTrig lookUpRayTrig(double rayAngle, const AngleTables& trig) {
    const std::int16_t ray = toLookupArgument(rayAngle);
    const auto ahead = static_cast<std::int16_t>(ray + kQuarterTurnDegrees);
    const auto behind = static_cast<std::int16_t>(ray - kQuarterTurnDegrees);
    return RayTrig{trig.cosSign(ray), trig.lTan(ray), trig.cosSign(behind), trig.lTan(ahead),
                   trig.lTan(behind)};
}

WallHit castRay(double rayAngle, const Scene& scene, CodeRegisters& registers,
                std::vector<CellRead>* reads, WalkEnds* ends) {
    return cast(lookUpRayTrig(rayAngle, scene.trig), scene, registers, reads, ends);
}

WallHit castRayWith(const RayTrig& ray, const Scene& scene, CodeRegisters& registers,
                    std::vector<CellRead>* reads, WalkEnds* ends) {
    return cast(ray, scene, registers, reads, ends);
}

// [learn:project]
void projectColumn(float distance, float height, std::int32_t& wallHeight, std::int32_t& wallTop) {
    double exact = static_cast<double>(height) / distance;
    // A distance of zero (or one so small the height leaves 32 bits) is a wall at the eye:
    // the tallest column, centred like every other, shows the middle of the texture.
    if (!(exact <= kMaxWallHeightPx)) {
        exact = kMaxWallHeightPx;
    }
    wallHeight = roundToPixels(exact);
    wallTop = roundToPixels(static_cast<double>(height) / 2.0 - wallHeight / 2.0);
}
// [/learn:project]

}  // namespace quellon
