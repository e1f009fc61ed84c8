// The ray map: walls keep their level colours, every ray ends at the wall point of its own
// strip, nothing is drawn inside a wall, and a strip's walks read the cells worked out by hand.
#include <gtest/gtest.h>

#include <cmath>
#include <numbers>
#include <optional>
#include <random>
#include <sstream>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "platform/headless.h"
#include "render/ray_map.h"
#include "render/raycast.h"

namespace quellon {
namespace {

class RayMapTest : public ::testing::Test {
  protected:
    RayMapTest() : frm(window, loadCarriedImages()) { frm.startUp(); }

    Scene scene() const { return Scene{frm.pose, frm.worldMap, frm.trig}; }

    std::vector<Strip> cast(int width, int height, StripTrace* trace) {
        std::vector<Strip> strips;
        castStrips(
            static_cast<float>(width), static_cast<float>(height), scene(),
            [&](const Strip& s) { strips.push_back(s); }, trace);
        return strips;
    }

    HeadlessWindow window;
    FrmMain frm;
};

std::string where(const Pose& pose, int width, int scale) {
    std::ostringstream out;
    out << "pose " << pose.playerX << " " << pose.playerY << " " << pose.playerAngle << ", width "
        << width << ", scale " << scale;
    return out.str();
}

TEST_F(RayMapTest, WallsKeepTheirColoursAndEveryRayReachesItsWallPoint) {
    std::mt19937 random(7);
    std::vector<Pose> poses = {
        {2.5f, 2.5f, 0.0f}, {60.5f, 62.5f, 270.0f}, {2.5f, 11.979991f, 0.0f}, {2.5f, 5.0f, 180.0f}};
    while (poses.size() < 16) {
        const Pose pose{std::uniform_real_distribution<float>(1.0f, 63.0f)(random),
                        std::uniform_real_distribution<float>(1.0f, 63.0f)(random),
                        static_cast<float>(2 * std::uniform_int_distribution<int>(0, 179)(random))};
        if (frm.worldMap(static_cast<int>(pose.playerX), static_cast<int>(pose.playerY)) ==
            kOpenFloor) {
            poses.push_back(pose);
        }
    }
    const int scales[] = {1, 3, 8, 17, 32};
    for (std::size_t p = 0; p < poses.size(); ++p) {
        frm.pose = poses[p];
        const int scale = scales[p % std::size(scales)];
        const int width = 1 + static_cast<int>(p * 97 % 700);
        StripTrace trace;
        trace.strip = static_cast<int>(p) % stripCount(static_cast<float>(width));
        const std::vector<Strip> strips = cast(width, 285, &trace);
        Surface picture(kMapSize * scale, kMapSize * scale);
        drawRayMap(picture, wholeGridView(scale), scene(), strips,
                   ChosenStrip{trace.strip, trace.reads});
        const std::string context = where(frm.pose, width, scale);
        // Row 0 of the grid is the picture's bottom row.
        const auto rowAt = [&](int y) { return kMapSize - 1 - y / scale; };
        const auto pixelY = [&](double mapY) {
            return static_cast<int>(std::floor((kMapSize - mapY) * scale));
        };

        for (int y = 0; y < picture.height(); ++y) {
            for (int x = 0; x < picture.width(); ++x) {
                const std::int16_t code = frm.worldMap(x / scale, rowAt(y));
                if (code != kOpenFloor) {
                    ASSERT_EQ(picture.at(x, y), kLevelColours[code])
                        << "pixel " << x << "," << y << " inside wall cell " << x / scale << ","
                        << rowAt(y) << "; " << context;
                }
            }
        }
        // Each ray is drawn right up to its wall point: just short of it, on the player's side,
        // the map shows something drawn rather than bare floor (a thin line passes within a
        // pixel of any point on it).
        for (const Strip& s : strips) {
            const double dx = s.hit.hitX - frm.pose.playerX;
            const double dy = s.hit.hitY - frm.pose.playerY;
            const double length = std::hypot(dx, dy) * scale;
            if (length < 3.0) {
                continue;
            }
            const double back = 1.5 / length;
            const auto px = static_cast<int>(std::floor((s.hit.hitX - dx * back) * scale));
            const int py = pixelY(s.hit.hitY - dy * back);
            bool drawn = false;
            for (int y = py - 1; y <= py + 1; ++y) {
                for (int x = px - 1; x <= px + 1; ++x) {
                    drawn = drawn || (picture.contains(x, y) &&
                                      frm.worldMap(x / scale, rowAt(y)) == kOpenFloor &&
                                      picture.at(x, y) != kLevelColours[kOpenFloor]);
                }
            }
            EXPECT_TRUE(drawn) << "the ray of strip " << s.stripX
                               << " stops short of its wall point " << s.hit.hitX << ","
                               << s.hit.hitY << "; " << context;
        }
        // The player's own pixel shows the player.
        EXPECT_EQ(picture.at(static_cast<int>(frm.pose.playerX * static_cast<float>(scale)),
                             pixelY(frm.pose.playerY)),
                  map_colour::kPlayer)
            << context;
    }
}

TEST_F(RayMapTest, TheStartFramesEdgeAndCentreStripsReadTheCellsWorkedOutByHand) {
    struct Read {
        char walk;
        float x;
        float y;
        int column;
        int row;
        int code;
    };
    // Strip 0 (ray -30): the horizontal walk steps by tan(-30) = -0.57735 from (2.21, 3) and
    // stops at the red wall (0, 6); the vertical walk goes left from x = 2 and meets (0, 5)
    // first, at distance 3.0000005. Strip 52 (ray 0) goes straight down column 2 to (2, 12).
    const std::vector<Read> edge = {{'h', 2.21132469f, 3, 2, 3, 0}, {'h', 1.63397408f, 4, 1, 4, 0},
                                    {'h', 1.05662346f, 5, 1, 5, 0}, {'h', 0.479272902f, 6, 0, 6, 3},
                                    {'v', 2, 3.36602545f, 1, 3, 0}, {'v', 1, 5.09807682f, 0, 5, 2}};
    std::vector<Read> centre;
    for (int row = 3; row <= 12; ++row) {
        centre.push_back({'h', 2.5f, static_cast<float>(row), 2, row, row == 12 ? 2 : 0});
    }
    for (const auto& [strip, expected] : {std::pair{0, edge}, std::pair{52, centre}}) {
        StripTrace trace;
        trace.strip = strip;
        const std::vector<Strip> strips = cast(307, 285, &trace);
        ASSERT_EQ(trace.reads.size(), expected.size()) << "strip " << strip;
        for (std::size_t i = 0; i < expected.size(); ++i) {
            const CellRead& got = trace.reads[i];
            const Read& want = expected[i];
            EXPECT_EQ(got.walk == WalkLines::kHorizontal ? 'h' : 'v', want.walk);
            EXPECT_EQ(got.x, want.x) << "strip " << strip << ", read " << i;
            EXPECT_EQ(got.y, want.y) << "strip " << strip << ", read " << i;
            EXPECT_EQ(got.column, want.column) << "strip " << strip << ", read " << i;
            EXPECT_EQ(got.row, want.row) << "strip " << strip << ", read " << i;
            EXPECT_EQ(got.code, want.code) << "strip " << strip << ", read " << i;
        }
        const Strip& s = strips[static_cast<std::size_t>(strip)];
        const CellRead& last = trace.reads.back();
        EXPECT_EQ(s.hit.walk, last.walk) << "strip " << strip << " ends on its last read";
        EXPECT_EQ(s.hit.hitX, last.x);
        EXPECT_EQ(s.hit.hitY, last.y);
    }
}

TEST_F(RayMapTest, MapCellsUnderPixelsFollowTheViewsOriginAndScale) {
    const RayMapView view = mapViewCentredOn(2.5f, 2.5f, 8, 176, 105);
    EXPECT_EQ(view.originX, 156);
    EXPECT_EQ(view.originY, 125) << "y grows upward: row 0 ends at the origin";
    const auto cell = mapCellAt(view, 156 + 2 * 8 + 7, 125 - 6 * 8 - 1);
    ASSERT_TRUE(cell);
    EXPECT_EQ(cell->column, 2);
    EXPECT_EQ(cell->row, 6);
    EXPECT_FALSE(mapCellAt(view, 155, 100)) << "left of the grid";
    EXPECT_FALSE(mapCellAt(view, 156 + 64 * 8, 100)) << "right of the grid";
    EXPECT_FALSE(mapCellAt(view, 160, 125)) << "below row 0";
}

// What lies left of the heading shows on the view's left, and on the map it lies to the left
// of the player as they face: a red wall ahead and to the left of a player in the open hall.
TEST_F(RayMapTest, AWallLeftOfTheHeadingIsOnTheLeftOfTheViewAndOfTheMap) {
    for (const float heading : {90.0f, 0.0f, 236.0f}) {
        frm.openLevel(frm.holders.picMap);
        frm.placePlayer(Pose{30.5f, 40.5f, heading});
        const double left = (heading - 20.0) * std::numbers::pi / 180.0;
        const int wallX = static_cast<int>(std::floor(30.5 + 4.0 * std::sin(left)));
        const int wallY = static_cast<int>(std::floor(40.5 + 4.0 * std::cos(left)));
        frm.paintCell(wallX, wallY, 3);
        const std::vector<Strip> strips = cast(307, 285, nullptr);
        int red = 0;
        for (const Strip& s : strips) {
            if (s.hit.wallCode == 3) {
                EXPECT_LT(s.stripX, 307 / 2) << "heading " << heading;
                ++red;
            }
        }
        EXPECT_GT(red, 0) << "heading " << heading;

        const int scale = 4;
        Surface picture(kMapSize * scale, kMapSize * scale);
        const RayMapView view = wholeGridView(scale);
        drawRayMap(picture, view, scene(), strips, std::nullopt);
        // In the picture's own axes (y down), the player faces (sin, -cos); the red cell lies to
        // their left when the turn from the facing to the cell is anticlockwise on the screen.
        const double faceX = std::sin(heading * std::numbers::pi / 180.0);
        const double faceY = -std::cos(heading * std::numbers::pi / 180.0);
        const double toX = (wallX + 0.5 - 30.5) * scale;
        const double toY = -(wallY + 0.5 - 40.5) * scale;
        EXPECT_LT(faceX * toY - faceY * toX, 0.0) << "heading " << heading;
        const auto cell = mapCellAt(view, static_cast<int>(30.5 * scale + toX),
                                    static_cast<int>(view.originY - 40.5 * scale + toY));
        ASSERT_TRUE(cell);
        EXPECT_EQ(picture.at(static_cast<int>(30.5 * scale + toX),
                             static_cast<int>(view.originY - 40.5 * scale + toY)),
                  kLevelColours[3])
            << "the red cell is drawn where the map says it is, heading " << heading;
    }
}

}  // namespace
}  // namespace quellon
