// The view: one ray per strip walked over the grid lines, the nearer wall hit projected to a
// column and drawn by one stretched copy of a texture column.
#pragma once

#include <array>
#include <cmath>
#include <cstdint>
#include <utility>
#include <vector>

#include "math/angles.h"
#include "world/level.h"
#include "world/movement.h"
#include "world/textures.h"

namespace quellon {

inline constexpr int kStripWidthPx = 3;
inline constexpr int kFieldOfViewDegrees = 60;
// The view's size when the window first opens: its client area as created. The view is cast
// and drawn at whatever size the window has since.
inline constexpr int kOpeningWidthPx = 307;
inline constexpr int kOpeningHeightPx = 285;
// Columns are never taken taller than this, so a wall touching the eye stays finite.
inline constexpr std::int32_t kMaxWallHeightPx = 1 << 30;

// The two families of grid lines a ray is walked over: the horizontal walk crosses the lines
// y = whole number, the vertical walk the lines x = whole number.
enum class WalkLines : std::uint8_t { kHorizontal, kVertical };

// What a strip's ray met.
struct WallHit {
    float wallDist = 0.0f;       // to the wall point, not yet corrected for the ray's offset
    std::int16_t wallCode = 0;   // cell code from the chosen walk's register
    std::int16_t texColumn = 0;  // 0..kTextureSize-1
    // Which walk was chosen, and the crossing it ended on: the wall point the distance and
    // the texture column were taken from.
    WalkLines walk = WalkLines::kVertical;
    float hitX = 0.0f;
    float hitY = 0.0f;

    bool operator==(const WallHit&) const = default;
};

// One cell read by a walk: the crossing it stood on, the cell on the far side of the crossed
// line (perhaps just off the grid) and the code read there.
struct CellRead {
    WalkLines walk;
    float x;
    float y;
    int column;
    int row;
    std::int16_t code;
};

// Where the two walks of one ray ended and how far each end is from the player: the two wall
// points the nearer is chosen from.
struct WalkEnds {
    float horizX = 0.0f;
    float horizY = 0.0f;
    float horizDist = 0.0f;
    float vertX = 0.0f;
    float vertY = 0.0f;
    float vertDist = 0.0f;
};

// Asks castStrips to note every cell that the two walks of one strip read, in the order read,
// and where the walks ended.
struct StripTrace {
    int strip = -1;  // index of the strip from the left; -1 for none
    std::vector<CellRead> reads;
    WalkEnds ends;
};

// The code of the last cell each walk read, kept across the strips of one frame.
struct CodeRegisters {
    std::int16_t horizCode = 0;
    std::int16_t vertCode = 0;
};

// Everything worked out for one strip, left to right.
struct Strip {
    // The exact cast's strips are kStripWidthPx wide with whole-degree offsets in -30..30 and
    // whole-degree angles; a what-if rule (render/what_if.h) may change all three.
    int stripX = 0;  // left pixel column
    int stripWidth = kStripWidthPx;
    double rayOffset = 0.0;  // degrees from the heading
    double rayAngle = 0.0;   // degrees
    WallHit hit;
    float distance = 0.0f;  // wallDist corrected by the cosine of rayOffset
    std::int32_t wallHeight = 0;
    std::int32_t wallTop = 0;

    bool operator==(const Strip&) const = default;
};

// The trigonometry the two walks of one ray take, as the angle tables hold it: singles, the
// tangents limited to the tables' range, the cosine signs +1 or -1.
struct RayTrig {
    std::int16_t ySign;   // cosine sign of the ray: which way the horizontal walk goes along y
    float tangent;        // tangent of the ray: the horizontal walk's slope
    std::int16_t xSign;   // cosine sign of the ray less a quarter turn, the sign of its sine
    float tangentAhead;   // tangent of the ray plus a quarter turn: the vertical walk's start
    float tangentBehind;  // tangent of the ray less a quarter turn: the vertical walk's step
};

struct Scene {
    const Pose& pose;
    const WorldMap& worldMap;
    const AngleTables& trig;
};

// The whole-degree offset of the strip at stripX from the heading, for a drawing area `width`
// wide: across the field of view, or across one of `fieldOfViewDegrees`.
int stripRayOffset(int stripX, float width);
int stripRayOffset(int stripX, float width, int fieldOfViewDegrees);

// The tables' trigonometry of a whole-degree ray.
RayTrig lookUpRayTrig(double rayAngle, const AngleTables& trig);

// Casts one ray from the player over both families of grid lines. With `reads` given, every
// cell the walks read is added to it, the horizontal walk's first; with `ends` given, where the
// two walks ended is noted in it.
WallHit castRay(double rayAngle, const Scene& scene, CodeRegisters& registers,
                std::vector<CellRead>* reads = nullptr, WalkEnds* ends = nullptr);

// The same cast for a ray whose trigonometry is given rather than looked up: castRay is this
// with lookUpRayTrig's values. The scene's tables are not read.
WallHit castRayWith(const RayTrig& ray, const Scene& scene, CodeRegisters& registers,
                    std::vector<CellRead>* reads = nullptr, WalkEnds* ends = nullptr);

// Height and top row of the column for a corrected distance on a drawing area `height` tall.
void projectColumn(float distance, float height, std::int32_t& wallHeight, std::int32_t& wallTop);

// The number of strips of a frame `width` pixels wide: one every `stripWidthPx` from 0 up to
// and including the width itself.
int stripCount(float width, int stripWidthPx = kStripWidthPx);

// Works out every strip of a frame, left to right, handing each to `sink` before the next
// is cast. A drawing area with no width or height has no strips. With `trace` given, the cells
// read for its strip are noted in it.
template <class Sink>
void castStrips(float width, float height, const Scene& scene, Sink&& sink,
                StripTrace* trace = nullptr) {
    if (trace != nullptr) {
        trace->reads.clear();
    }
    if (!(width >= 1.0f) || !(height >= 1.0f)) {
        return;
    }
    CodeRegisters registers;
    int index = 0;
    // Neighbouring strips often share their whole-degree offset, and so their ray: a ray is a
    // function of the pose and its angle, and cast again straight after itself it reads the same
    // cells and leaves the code registers as it found them, so its hit is the last one's.
    Strip last;
    bool cast = false;
    // [learn:strips]
    for (int stripX = 0; static_cast<double>(stripX) <= width; stripX += kStripWidthPx, ++index) {
        Strip strip;
        strip.stripX = stripX;
        const int rayOffset = stripRayOffset(stripX, width);
        strip.rayOffset = rayOffset;
        strip.rayAngle = std::floor(static_cast<double>(scene.pose.playerAngle) + rayOffset);
        // [/learn:strips]
        const bool traced = trace != nullptr && trace->strip == index;
        if (cast && !traced && rayOffset == last.rayOffset) {
            last.stripX = stripX;
            sink(std::as_const(last));
            continue;
        }
        strip.hit = castRay(strip.rayAngle, scene, registers, traced ? &trace->reads : nullptr,
                            traced ? &trace->ends : nullptr);
        // [learn:correct]
        strip.distance = static_cast<float>(
            static_cast<double>(scene.trig.lCos(static_cast<std::int16_t>(rayOffset))) *
            strip.hit.wallDist);
        projectColumn(strip.distance, height, strip.wallHeight, strip.wallTop);
        // [/learn:correct]
        last = strip;
        cast = true;
        sink(std::as_const(strip));
    }
}

}  // namespace quellon
