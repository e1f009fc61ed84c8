// The player's pose and one tick of turning, walking and side-stepping with wall sliding.
#pragma once

#include "math/angles.h"
#include "world/level.h"

namespace quellon {

struct Pose {
    float playerX = 0.0f;      // map cells; the player stands in column floor(playerX)
    float playerY = 0.0f;      // map cells; the player stands in row floor(playerY)
    float playerAngle = 0.0f;  // degrees, 0 faces +y, 90 faces +x; changes in steps of 2
};

// The movement keys held during one tick.
struct HeldKeys {
    bool left = false;    // turn towards smaller headings
    bool right = false;   // turn towards larger headings
    bool up = false;      // walk along the heading
    bool down = false;    // walk against the heading
    bool comma = false;   // side-step along heading - 90
    bool period = false;  // side-step along heading + 90
};

inline constexpr float kTurnStepDegrees = 2.0f;
inline constexpr double kMoveStepCells = 0.04;

// Beyond this magnitude adding a turning step to a single-precision heading is no longer
// exact, so the heading is brought back to the equivalent one in 0..358 before it gets there.
inline constexpr float kExactHeadingLimit = 16777216.0f;  // 2^24

// One tick: turn first, then take at most one step (the last movement key held wins),
// sliding along a wall when only one axis is free and preferring the y-only move.
void movePlayer(Pose& pose, const HeldKeys& keys, const AngleTables& trig,
                const WorldMap& worldMap);

}  // namespace quellon
