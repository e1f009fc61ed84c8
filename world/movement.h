// The player's pose and one tick of turning, walking and side-stepping with wall sliding.
#pragma once

#include <string>

#include "math/angles.h"
#include "world/level.h"

namespace quellon {

struct Pose {
    float playerX = 0.0f;      // map cells; the player stands in column floor(playerX)
    float playerY = 0.0f;      // map cells; the player stands in row floor(playerY)
    float playerAngle = 0.0f;  // degrees, 0 faces +y, 90 faces +x; turns by kTurnStepDegrees
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

// Where the player starts on every level: the middle of cell (2, 2), facing +y (heading 0).
inline constexpr float kStartX = 2.5f;
inline constexpr float kStartY = 2.5f;
inline constexpr Pose kStartPose{kStartX, kStartY, 0.0f};

// What makes a grid no maze to walk, in one line: the cell the player starts in is a wall, or a
// cell of the outer ring is open (which would let rays and the player off the grid). Empty for
// a maze to walk.
std::string mazeFault(const WorldMap& worldMap);

inline constexpr float kTurnStepDegrees = 2.0f;
inline constexpr double kMoveStepCells = 0.04;

// The heading after one turning step. The heading is never wrapped while the step is exact in
// single precision, which holds up to a magnitude of 2^25 (from 2^24 on singles lie 2 apart);
// only a step that would be lost brings the heading to its equivalent in 0..360 first.
float turnHeading(float heading, float step);

// One tick: turn first, then take at most one step (the last movement key held wins),
// sliding along a wall when only one axis is free and preferring the y-only move.
void movePlayer(Pose& pose, const HeldKeys& keys, const AngleTables& trig,
                const WorldMap& worldMap);

}  // namespace quellon
