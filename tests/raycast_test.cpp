// The strips of a frame, the two walks, the choice between them, the projection and the
// drawn columns.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdio>
#include <random>
#include <string>
#include <vector>

#include "app/frm_main.h"
#include "platform/headless.h"
#include "render/raycast.h"

namespace quellon {
namespace {

class RaycastTest : public ::testing::Test {
  protected:
    RaycastTest() {
        trig.generateTrig();
        for (int i = 0; i < kMapSize; ++i) {
            map.set(i, 0, 2);
            map.set(i, 63, 2);
            map.set(0, i, 2);
            map.set(63, i, 2);
        }
    }

    WallHit cast(double rayAngle, float x, float y) {
        pose = Pose{x, y, 0.0f};
        return castRay(rayAngle, Scene{pose, map, trig}, registers);
    }

    std::vector<Strip> strips(float width, float height) {
        std::vector<Strip> out;
        castStrips(width, height, Scene{pose, map, trig},
                   [&](const Strip& s) { out.push_back(s); });
        return out;
    }

    AngleTables trig;
    WorldMap map;
    Pose pose;
    CodeRegisters registers;
};

TEST_F(RaycastTest, StripsRunThreePixelsApartAcrossTheFieldOfView) {
    struct Case {
        float width;
        std::size_t count;
        int lastX;
        int lastOffset;
    };
    for (const Case c : {Case{307, 103, 306, 29}, Case{640, 214, 639, 29}, Case{600, 201, 600, 30},
                         Case{1, 1, 0, -30}, Case{3, 2, 3, 30}}) {
        const std::vector<Strip> s = strips(c.width, 100);
        ASSERT_EQ(s.size(), c.count) << "width " << c.width;
        EXPECT_EQ(s.back().stripX, c.lastX) << "width " << c.width;
        EXPECT_EQ(s.back().rayOffset, c.lastOffset) << "width " << c.width;
        EXPECT_EQ(s.front().rayOffset, -30);
        for (std::size_t i = 0; i < s.size(); ++i) {
            ASSERT_EQ(s[i].stripX, static_cast<int>(3 * i));
        }
    }
    const std::vector<Strip> s = strips(307, 285);
    EXPECT_EQ(s[1].rayOffset, -30);
    EXPECT_EQ(s[52].stripX, 156);
    EXPECT_EQ(s[52].rayOffset, 0);
    EXPECT_EQ(s[51].rayOffset, -1);
}

TEST_F(RaycastTest, OffsetsAreTheExactFloorOfSixtyTimesTheStripShare) {
    for (int width = 1; width <= 4000; width += 13) {
        for (int x = 0; x <= width; x += 3) {
            const long exact = (60L * x) / width - 30;  // floor, both non-negative
            ASSERT_EQ(stripRayOffset(x, static_cast<float>(width)), exact)
                << "strip " << x << " of " << width;
        }
    }
}

TEST_F(RaycastTest, NoStripsWithoutADrawingArea) {
    EXPECT_TRUE(strips(0, 285).empty());
    EXPECT_TRUE(strips(307, 0).empty());
    EXPECT_TRUE(strips(0, 0).empty());
}

TEST_F(RaycastTest, RayZeroMeetsTheWallAheadThroughTheHorizontalWalk) {
    map.set(2, 6, 3);
    const WallHit hit = cast(0, 2.5f, 2.5f);
    EXPECT_EQ(hit.wallDist, 3.5f);
    EXPECT_EQ(hit.texColumn, 32);
    EXPECT_EQ(hit.wallCode, 3);
    EXPECT_EQ(registers.vertCode, 0) << "the vertical walk starts at y 502.5 and reads nothing";
}

TEST_F(RaycastTest, RayNinetyKeepsItsRowAndLeavesTheHorizontalRegisterAlone) {
    map.set(5, 2, 5);
    registers.horizCode = 4;
    const WallHit hit = cast(90, 2.5f, 2.5f);
    EXPECT_EQ(hit.wallDist, 2.5f);
    EXPECT_EQ(hit.wallCode, 5);
    EXPECT_EQ(hit.texColumn, 32) << "the vertical walk keeps y at 2.5";
    EXPECT_EQ(registers.horizCode, 4) << "the horizontal walk starts at x 502.5, reads nothing";
}

TEST_F(RaycastTest, EqualDistancesGoToTheVerticalWalk) {
    map.set(3, 1, 3);
    map.set(3, 2, 4);
    const WallHit hit = cast(135, 2.5f, 2.5f);
    EXPECT_EQ(hit.wallDist, 0.70710677f);
    EXPECT_EQ(hit.wallCode, 4);
    EXPECT_EQ(hit.texColumn, 0);
    EXPECT_EQ(registers.horizCode, 3) << "the horizontal walk read the cell above the line";
}

TEST_F(RaycastTest, DiagonalWalksMeetTheSameCellAndDriftApartLater) {
    map.set(3, 3, 1);
    WallHit hit = cast(45, 2.5f, 2.5f);
    EXPECT_EQ(hit.wallDist, 0.70710677f);
    EXPECT_EQ(hit.wallCode, 1);
    map.set(3, 3, 0);
    // Far along the diagonal the vertical walk's step of 1.0000002 has moved it off the
    // exact diagonal; the horizontal walk's crossings stay on it.
    map.set(40, 40, 2);
    hit = cast(45, 2.5f, 2.5f);
    EXPECT_EQ(hit.wallCode, 2);
    EXPECT_NEAR(hit.wallDist, 37.5 * std::sqrt(2.0), 1e-4);
}

TEST_F(RaycastTest, TextureColumnIsTheFloorOfTheHitsFraction) {
    struct Case {
        float y;
        int column;
    };
    // Ray 90 along row floor(y): the hit coordinate is y itself. (A whole y would put the
    // player on a grid line; the tie test above covers a hit at a whole coordinate.)
    map.set(5, 1, 2);
    for (const Case c :
         {Case{1.5f, 32}, Case{1.999f, 63}, Case{1.015625f, 1}, Case{1.984375f, 63}}) {
        EXPECT_EQ(cast(90, 2.5f, c.y).texColumn, c.column) << "hit at y " << c.y;
    }
}

TEST_F(RaycastTest, PlayerOnAGridLineFacingAWallSeesItAtDistanceZero) {
    map.set(2, 4, 2);
    const WallHit hit = cast(180, 2.5f, 5.0f);
    EXPECT_EQ(hit.wallDist, 0.0f);
    EXPECT_EQ(hit.wallCode, 2);
    std::int32_t height = 0;
    std::int32_t top = 0;
    projectColumn(hit.wallDist, 285, height, top);
    EXPECT_EQ(height, kMaxWallHeightPx) << "a wall at the eye is the tallest column";
    EXPECT_EQ(top, 142 - kMaxWallHeightPx / 2);
}

TEST_F(RaycastTest, WalksOfAnOpenLevelStopAtTheGridEdgeAsIfAtAWall) {
    WorldMap open;  // no ring at all
    pose = Pose{0.5f, 0.5f, 0.0f};
    for (const double ray : {180.0, 270.0, 225.0, 200.0, 250.0}) {
        CodeRegisters r;
        const WallHit hit = castRay(ray, Scene{pose, open, trig}, r);
        EXPECT_NE(hit.wallCode, 0) << "ray " << ray << " leaves the grid and must meet a wall";
        EXPECT_LT(hit.wallDist, 1.0f) << "ray " << ray;
    }
}

TEST_F(RaycastTest, WalksEndEvenOnTablesThatWereNeverBuilt) {
    // Zero tables make every step zero: a walk that did not count its lines would never end.
    const AngleTables unbuilt;
    pose = Pose{2.5f, 2.5f, 0.0f};
    for (const double ray : {0.0, 45.0, 90.0, 200.0}) {
        CodeRegisters r;
        const WallHit hit = castRay(ray, Scene{pose, map, unbuilt}, r);
        EXPECT_EQ(hit.wallDist, 0.5f) << "ray " << ray << " stays on its first crossing";
    }
    int count = 0;
    castStrips(307, 285, Scene{pose, map, unbuilt}, [&](const Strip&) { ++count; });
    EXPECT_EQ(count, 103);
}

TEST_F(RaycastTest, TracedUntracedAndSharedRaysAgree) {
    // The traced cast walks one walk after the other; the untraced steps both side by side; a
    // frame casts a ray once for the neighbouring strips that share it.
    // Random walls of every code, edges sometimes open, poses anywhere and on grid lines.
    std::mt19937 random(23);
    for (int trial = 0; trial < 60; ++trial) {
        for (int y = 0; y < kMapSize; ++y) {
            for (int x = 0; x < kMapSize; ++x) {
                const bool edge = x == 0 || y == 0 || x == kMapSize - 1 || y == kMapSize - 1;
                const unsigned chance = edge && trial % 3 == 0 ? 2 : (edge ? 1 : 3 + trial % 20);
                map.set(x, y,
                        random() % chance == 0 ? static_cast<std::int16_t>(1 + random() % 5)
                                               : std::int16_t{0});
            }
        }
        const auto coordinate = [&] {
            const float whole = static_cast<float>(1 + random() % (kMapSize - 2));
            return random() % 4 == 0 ? whole
                                     : whole + static_cast<float>(random() % 1000) / 1000.0f;
        };
        pose = Pose{coordinate(), coordinate(), 0.0f};
        CodeRegisters alone;
        CodeRegisters sideBySide;
        for (int ray = 0; ray < 360; ++ray) {
            std::vector<CellRead> reads;
            const WallHit traced = castRay(ray, Scene{pose, map, trig}, alone, &reads);
            const WallHit untraced = castRay(ray, Scene{pose, map, trig}, sideBySide);
            ASSERT_EQ(traced, untraced) << "trial " << trial << ", ray " << ray;
            ASSERT_EQ(alone.horizCode, sideBySide.horizCode)
                << "trial " << trial << ", ray " << ray;
            ASSERT_EQ(alone.vertCode, sideBySide.vertCode) << "trial " << trial << ", ray " << ray;
        }
        pose.playerAngle = static_cast<float>(random() % 36000) / 100.0f;
        CodeRegisters everyStrip;
        castStrips(1920, 1080, Scene{pose, map, trig}, [&](const Strip& strip) {
            const int offset = stripRayOffset(strip.stripX, 1920.0f);
            const double angle = std::floor(static_cast<double>(pose.playerAngle) + offset);
            ASSERT_EQ(strip.rayOffset, offset)
                << "trial " << trial << ", strip at " << strip.stripX;
            ASSERT_EQ(strip.hit, castRay(angle, Scene{pose, map, trig}, everyStrip))
                << "trial " << trial << ", strip at " << strip.stripX;
        });
    }
}

TEST_F(RaycastTest, HeadingsFarOutsideSixteenBitsCastLikeTheirEquivalent) {
    map.set(2, 6, 3);
    map.set(6, 2, 4);
    for (const double ray : {0.0, 90.0, 37.0, 301.0}) {
        const WallHit near = cast(ray, 2.5f, 2.5f);
        for (const double turns : {100.0, 1000.0, -1000.0, 1e9}) {
            const WallHit far = cast(ray + 360.0 * turns, 2.5f, 2.5f);
            EXPECT_EQ(far.wallDist, near.wallDist) << ray << " + " << turns << " turns";
            EXPECT_EQ(far.wallCode, near.wallCode) << ray << " + " << turns << " turns";
            EXPECT_EQ(far.texColumn, near.texColumn) << ray << " + " << turns << " turns";
        }
    }
}

TEST_F(RaycastTest, ColumnsAreCentredWithHalvesRoundedToEven) {
    struct Case {
        float height;
        float distance;
        int wallHeight;
        int wallTop;
    };
    for (const Case c :
         {Case{285, 2.5f, 114, 86}, Case{285, 9.5f, 30, 128}, Case{285, 285.0f / 89, 89, 98},
          Case{480, 64, 8, 236}, Case{285, 0.5f, 570, -142}, Case{285, 2.5980768f, 110, 88},
          Case{1, 1000, 0, 0}}) {
        std::int32_t wallHeight = 0;
        std::int32_t wallTop = 0;
        projectColumn(c.distance, c.height, wallHeight, wallTop);
        EXPECT_EQ(wallHeight, c.wallHeight) << "H " << c.height << " distance " << c.distance;
        EXPECT_EQ(wallTop, c.wallTop) << "H " << c.height << " distance " << c.distance;
    }
    std::int32_t wallHeight = 0;
    std::int32_t wallTop = 0;
    projectColumn(1e-30f, 8192, wallHeight, wallTop);
    EXPECT_EQ(wallHeight, kMaxWallHeightPx) << "heights beyond 32 bits are clipped first";
}

class FirstFrameTest : public ::testing::Test {
  protected:
    FirstFrameTest() : frm(window, loadCarriedImages()) { frm.startUp(); }
    HeadlessWindow window;
    FrmMain frm;
};

TEST_F(FirstFrameTest, ShippedLevelFromTheStartPose) {
    std::vector<Strip> s;
    castStrips(307, 285, Scene{frm.pose, frm.worldMap, frm.trig},
               [&](const Strip& strip) { s.push_back(strip); });
    ASSERT_EQ(s.size(), 103u);
    const Strip& centre = s[52];
    EXPECT_EQ(centre.stripX, 156);
    EXPECT_EQ(centre.rayAngle, 0.0);
    EXPECT_EQ(centre.hit.wallDist, 9.5f);
    EXPECT_EQ(centre.hit.wallCode, 2);
    EXPECT_EQ(centre.hit.texColumn, 32);
    EXPECT_EQ(centre.wallHeight, 30);
    EXPECT_EQ(centre.wallTop, 128);
    const Strip& first = s[0];
    EXPECT_EQ(first.rayAngle, -30.0);
    EXPECT_EQ(first.hit.wallDist, 3.0000005f);
    EXPECT_EQ(first.hit.wallCode, 2);
    EXPECT_EQ(first.distance, 2.5980768f);
    EXPECT_EQ(first.wallHeight, 110);
    EXPECT_EQ(first.wallTop, 88);
}

TEST_F(FirstFrameTest, EveryDrawnPixelComesFromItsStripsTextureColumn) {
    struct Pose3 {
        float x, y, angle;
        int width, height;
    };
    for (const Pose3 p : {Pose3{2.5f, 2.5f, 0, 307, 285}, Pose3{30.5f, 40.5f, 180, 640, 480},
                          Pose3{2.5f, 11.979991f, 0, 307, 285}, Pose3{5.2f, 7.7f, 134, 101, 57}}) {
        frm.pose = Pose{p.x, p.y, p.angle};
        window.resize(p.width, p.height);
        frm.clear();
        frm.Raycast();
        const Surface& view = window.drawingSurface();
        std::vector<bool> covered(static_cast<std::size_t>(p.width) * p.height, false);
        castStrips(static_cast<float>(p.width), static_cast<float>(p.height),
                   Scene{frm.pose, frm.worldMap, frm.trig}, [&](const Strip& s) {
                       const Surface& texture = frm.holders.picTexture[s.hit.wallCode];
                       for (int y = std::max(0, s.wallTop);
                            y < std::min<long>(p.height, long{s.wallTop} + s.wallHeight); ++y) {
                           const int row = static_cast<int>((static_cast<long>(y) - s.wallTop) *
                                                            64 / s.wallHeight);
                           for (int x = s.stripX; x < std::min(p.width, s.stripX + 3); ++x) {
                               covered[static_cast<std::size_t>(y) * p.width + x] = true;
                               ASSERT_EQ(view.at(x, y), texture.at(s.hit.texColumn, row))
                                   << "pixel " << x << "," << y << " of strip " << s.stripX;
                           }
                       }
                   });
        for (int y = 0; y < p.height; ++y) {
            for (int x = 0; x < p.width; ++x) {
                if (!covered[static_cast<std::size_t>(y) * p.width + x]) {
                    ASSERT_EQ(view.at(x, y), kBlack) << "background at " << x << "," << y;
                }
            }
        }
    }
}

}  // namespace
}  // namespace quellon
