#include "world/movement.h"

#include <cmath>
#include <optional>

namespace quellon {

namespace {

constexpr double kQuarterTurn = 90.0;

struct Candidate {
    double x;
    double y;
};

// A map index for a coordinate: its floor, with anything off the grid (however far) mapped
// just outside it, where every cell counts as wall.
int cellIndex(double coordinate) {
    if (!(coordinate >= 0.0)) {
        return -1;
    }
    if (coordinate >= kMapSize) {
        return kMapSize;
    }
    return static_cast<int>(std::floor(coordinate));
}

bool isOpen(const WorldMap& worldMap, int x, int y) {
    return worldMap.cellOrWall(x, y) == kOpenFloor;
}

Candidate stepAlong(const Pose& pose, const AngleTables& trig, std::int16_t heading, double sign) {
    return {pose.playerX + sign * (kMoveStepCells * trig.lSin(heading)),
            pose.playerY + sign * (kMoveStepCells * trig.lCos(heading))};
}

std::int16_t headingArgument(double degrees) {
    return toLookupArgument(std::nearbyint(degrees));
}

}  // namespace

void movePlayer(Pose& pose, const HeldKeys& keys, const AngleTables& trig,
                const WorldMap& worldMap) {
    if (keys.left) {
        pose.playerAngle = pose.playerAngle - kTurnStepDegrees;
    }
    if (keys.right) {
        pose.playerAngle = pose.playerAngle + kTurnStepDegrees;
    }
    if (!(std::fabs(pose.playerAngle) < kExactHeadingLimit)) {
        double wrapped = std::isfinite(pose.playerAngle)
                             ? std::fmod(static_cast<double>(pose.playerAngle), kDegreesPerTurn)
                             : 0.0;
        pose.playerAngle = static_cast<float>(wrapped < 0 ? wrapped + kDegreesPerTurn : wrapped);
    }

    const double heading = pose.playerAngle;
    std::optional<Candidate> candidate;
    if (keys.up) {
        candidate = stepAlong(pose, trig, headingArgument(heading), +1.0);
    }
    if (keys.down) {
        candidate = stepAlong(pose, trig, headingArgument(heading), -1.0);
    }
    if (keys.comma) {
        candidate = stepAlong(pose, trig, headingArgument(heading - kQuarterTurn), +1.0);
    }
    if (keys.period) {
        candidate = stepAlong(pose, trig, headingArgument(heading + kQuarterTurn), +1.0);
    }
    if (!candidate) {
        return;
    }

    const int cx = cellIndex(candidate->x);
    const int cy = cellIndex(candidate->y);
    const int px = cellIndex(pose.playerX);
    const int py = cellIndex(pose.playerY);
    if (isOpen(worldMap, cx, cy)) {
        pose.playerX = static_cast<float>(candidate->x);
        pose.playerY = static_cast<float>(candidate->y);
    } else if (isOpen(worldMap, px, cy)) {
        pose.playerY = static_cast<float>(candidate->y);
    } else if (isOpen(worldMap, cx, py)) {
        pose.playerX = static_cast<float>(candidate->x);
    }
}

}  // namespace quellon
