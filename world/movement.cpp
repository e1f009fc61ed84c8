#include "world/movement.h"

#include <cmath>
#include <optional>

namespace quellon {

namespace {

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

// Whether the player may stand at (x, y). The cell of the double-precision position decides;
// the cell of the position as it will be stored, rounded to single, must be open too: a
// candidate a hair short of a wall's edge can round onto the edge, into the wall.
bool fits(const WorldMap& worldMap, double x, double y) {
    return isOpen(worldMap, cellIndex(x), cellIndex(y)) &&
           isOpen(worldMap, cellIndex(static_cast<float>(x)), cellIndex(static_cast<float>(y)));
}

Candidate stepAlong(const Pose& pose, const AngleTables& trig, std::int16_t heading, double sign) {
    return {pose.playerX + sign * (kMoveStepCells * trig.lSin(heading)),
            pose.playerY + sign * (kMoveStepCells * trig.lCos(heading))};
}

std::string cellName(int x, int y) {
    return "cell " + std::to_string(x) + "," + std::to_string(y);
}

}  // namespace

std::string mazeFault(const WorldMap& worldMap) {
    const auto startX = static_cast<int>(kStartPose.playerX);
    const auto startY = static_cast<int>(kStartPose.playerY);
    if (worldMap(startX, startY) != kOpenFloor) {
        return cellName(startX, startY) + ", where the player starts, is a wall";
    }
    for (int y = 0; y < kMapSize; ++y) {
        const bool edgeRow = y == 0 || y == kMapSize - 1;
        for (int x = 0; x < kMapSize; x += edgeRow ? 1 : kMapSize - 1) {
            if (worldMap(x, y) == kOpenFloor) {
                return cellName(x, y) + " on the outer ring is open";
            }
        }
    }
    return {};
}

float turnHeading(float heading, float step) {
    const float turned = heading + step;
    if (static_cast<double>(turned) == static_cast<double>(heading) + step) {
        return turned;
    }
    // fmod is exact, so the equivalent heading is exact too.
    double wrapped =
        std::isfinite(heading) ? std::fmod(static_cast<double>(heading), kDegreesPerTurn) : 0.0;
    if (wrapped < 0) {
        wrapped += kDegreesPerTurn;
    }
    return static_cast<float>(wrapped) + step;
}

void movePlayer(Pose& pose, const HeldKeys& keys, const AngleTables& trig,
                const WorldMap& worldMap) {
    if (keys.left) {
        pose.playerAngle = turnHeading(pose.playerAngle, -kTurnStepDegrees);
    }
    if (keys.right) {
        pose.playerAngle = turnHeading(pose.playerAngle, kTurnStepDegrees);
    }

    const double heading = pose.playerAngle;
    std::optional<Candidate> candidate;
    if (keys.up) {
        candidate = stepAlong(pose, trig, roundToLookupArgument(heading), +1.0);
    }
    if (keys.down) {
        candidate = stepAlong(pose, trig, roundToLookupArgument(heading), -1.0);
    }
    if (keys.comma) {
        candidate =
            stepAlong(pose, trig, roundToLookupArgument(heading - kQuarterTurnDegrees), +1.0);
    }
    if (keys.period) {
        candidate =
            stepAlong(pose, trig, roundToLookupArgument(heading + kQuarterTurnDegrees), +1.0);
    }
    if (!candidate) {
        return;
    }

    // The full move, else the y-only move, else the x-only move.
    if (fits(worldMap, candidate->x, candidate->y)) {
        pose.playerX = static_cast<float>(candidate->x);
        pose.playerY = static_cast<float>(candidate->y);
    } else if (fits(worldMap, pose.playerX, candidate->y)) {
        pose.playerY = static_cast<float>(candidate->y);
    } else if (fits(worldMap, candidate->x, pose.playerY)) {
        pose.playerX = static_cast<float>(candidate->x);
    }
}

}  // namespace quellon
