// One tick of turning and moving, with wall sliding, on the shipped level and on small
// made-up ones.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "app/frm_main.h"
#include "platform/headless.h"
#include "world/keys.h"
#include "world/movement.h"

namespace quellon {
namespace {

constexpr HeldKeys keys(bool left, bool right, bool up, bool down, bool comma, bool period) {
    return HeldKeys{left, right, up, down, comma, period};
}
constexpr HeldKeys kNone{};
constexpr HeldKeys kUp = keys(false, false, true, false, false, false);

class MovementTest : public ::testing::Test {
  protected:
    MovementTest() : frm(window, loadCarriedImages()) { frm.startUp(); }

    void tick(const HeldKeys& held, int times = 1) {
        for (int i = 0; i < times; ++i) {
            movePlayer(frm.pose, held, frm.trig, frm.worldMap);
        }
    }

    HeadlessWindow window;
    FrmMain frm;
};

TEST_F(MovementTest, NoKeyOrOpposedTurningKeysLeaveThePoseAlone) {
    const Pose before = frm.pose;
    tick(kNone, 10);
    tick(keys(true, true, false, false, false, false), 10);
    EXPECT_EQ(frm.pose.playerX, before.playerX);
    EXPECT_EQ(frm.pose.playerY, before.playerY);
    EXPECT_EQ(frm.pose.playerAngle, before.playerAngle);
}

TEST_F(MovementTest, OneTickForwardFromTheStartRoundsTheDoubleStepToSingle) {
    tick(kUp);
    EXPECT_EQ(frm.pose.playerX, 2.5f);
    EXPECT_EQ(static_cast<double>(frm.pose.playerY), 2.5399999618530273);
}

TEST_F(MovementTest, TurningComesBeforeTheStepOfTheSameTick) {
    tick(keys(false, true, true, false, false, false));
    EXPECT_EQ(frm.pose.playerAngle, 2.0f);
    const double expectedX = 2.5 + 0.04 * static_cast<double>(frm.trig.sinTable[2]);
    EXPECT_EQ(frm.pose.playerX, static_cast<float>(expectedX));
}

TEST_F(MovementTest, WalkingUpColumnTwoStopsBeforeTheWallAndStays) {
    tick(kUp, 237);
    EXPECT_EQ(frm.pose.playerY, 11.979991f);
    EXPECT_EQ(frm.pose.playerX, 2.5f);
    tick(kUp, 50);
    EXPECT_EQ(frm.pose.playerY, 11.979991f) << "the wall at row 12 holds the player";
    EXPECT_EQ(frm.pose.playerX, 2.5f);
    EXPECT_LT(12.0f - frm.pose.playerY, 0.04f);
}

TEST_F(MovementTest, LastMovementKeyHeldWins) {
    struct Case {
        HeldKeys held;
        double dx;  // expected step, in units of 0.04 cells, heading 0
        double dy;
    };
    frm.pose = Pose{30.5f, 40.5f, 0.0f};  // the open hall
    for (const Case c : {Case{keys(false, false, true, true, false, false), 0, -1},
                         Case{keys(false, false, true, false, true, false), -1, 0},
                         Case{keys(false, false, false, false, true, true), 1, 0},
                         Case{keys(false, false, true, true, true, true), 1, 0},
                         Case{keys(false, false, false, false, false, true), 1, 0}}) {
        const Pose before = frm.pose;
        tick(c.held);
        EXPECT_NEAR(frm.pose.playerX - before.playerX, 0.04 * c.dx, 1e-6);
        EXPECT_NEAR(frm.pose.playerY - before.playerY, 0.04 * c.dy, 1e-6);
    }
}

TEST_F(MovementTest, DiagonalWalkIntoAWallSlidesAtTheFreeAxisSpeed) {
    // Heading 150 from the start cell runs into the row-1/2 wall above and slides along +x.
    WorldMap map;
    for (int x = 0; x < kMapSize; ++x) {
        map.set(x, 1, 2);
    }
    Pose pose{10.5f, 2.02f, 150.0f};
    const double vx = 0.04 * static_cast<double>(frm.trig.sinTable[150]);
    for (int i = 0; i < 20; ++i) {
        const float before = pose.playerX;
        movePlayer(pose, kUp, frm.trig, map);
        EXPECT_EQ(std::floor(pose.playerY), 2.0f) << "tick " << i;
        EXPECT_NEAR(pose.playerX - before, vx, 1e-6) << "tick " << i;
    }
    EXPECT_GT(pose.playerX, 10.5f + 19 * vx);
}

TEST_F(MovementTest, EnteringACornerDiagonallyTakesTheYOnlyMove) {
    WorldMap map;
    map.set(3, 3, 2);
    Pose pose{2.98f, 2.98f, 44.0f};
    movePlayer(pose, kUp, frm.trig, map);
    EXPECT_EQ(pose.playerX, 2.98f) << "x stays";
    EXPECT_GT(pose.playerY, 3.0f) << "the y-only move into (2, 3) is taken";
    // With (2, 3) closed the x-only move is next; with both closed the player stays.
    map.set(2, 3, 2);
    pose = Pose{2.98f, 2.98f, 44.0f};
    movePlayer(pose, kUp, frm.trig, map);
    EXPECT_GT(pose.playerX, 3.0f);
    EXPECT_EQ(pose.playerY, 2.98f);
    map.set(3, 2, 2);
    pose = Pose{2.98f, 2.98f, 44.0f};
    movePlayer(pose, kUp, frm.trig, map);
    EXPECT_EQ(pose.playerX, 2.98f);
    EXPECT_EQ(pose.playerY, 2.98f);
}

TEST_F(MovementTest, ACandidateThatRoundsOntoAWallEdgeIsHeldBack) {
    // At heading 90 the table cosine is -8.7e-08, so walking along y = 5 gives candidates of
    // y = 4.9999999965: row 4 in double, but stored as 5.0 again. Cell (6, 5) is a wall and
    // (6, 4) is open; the player must stop at the wall, not round into it.
    frm.pose = Pose{5.0f, 5.0f, 90.0f};
    for (int i = 0; i < 66; ++i) {
        tick(kUp);
        ASSERT_EQ(
            frm.worldMap(static_cast<int>(frm.pose.playerX), static_cast<int>(frm.pose.playerY)), 0)
            << "tick " << i << " at " << frm.pose.playerX << ", " << frm.pose.playerY;
    }
    EXPECT_LT(frm.pose.playerX, 6.0f);
    EXPECT_GT(frm.pose.playerX, 5.95f);
    // The same on a full diagonal step and on a slide, from poses a random soak walked into.
    for (const Pose start :
         {Pose{9.69929123f, 17.9600239f, 2.0f}, Pose{36.9717903f, 6.98373032f, 66.0f}}) {
        frm.pose = start;
        tick(kUp);
        EXPECT_EQ(
            frm.worldMap(static_cast<int>(frm.pose.playerX), static_cast<int>(frm.pose.playerY)), 0)
            << "from " << start.playerX << ", " << start.playerY << " heading " << start.playerAngle
            << " to " << frm.pose.playerX << ", " << frm.pose.playerY;
    }
}

TEST_F(MovementTest, LongRandomWalkNeverStandsInAWall) {
    std::uint64_t state = 0x5EED;
    const auto next = [&state] {
        state = state * 6364136223846793005ULL + 1442695040888963407ULL;
        return static_cast<std::uint32_t>(state >> 33);
    };
    HeldKeys held;
    for (long i = 0; i < 300000; ++i) {
        if (i % 40 == 0) {
            const std::uint32_t r = next();
            held = keys(r & 1, r & 2, r & 4, r & 8, r & 16, r & 32);
        }
        tick(held);
        ASSERT_EQ(
            frm.worldMap(static_cast<int>(frm.pose.playerX), static_cast<int>(frm.pose.playerY)), 0)
            << "tick " << i << " at " << frm.pose.playerX << ", " << frm.pose.playerY << " heading "
            << frm.pose.playerAngle;
    }
}

TEST_F(MovementTest, AnOpenLevelEdgeHoldsThePlayerLikeAWall) {
    const WorldMap open;
    Pose pose{0.02f, 0.5f, 270.0f};  // facing -x, a step from leaving the grid
    for (int i = 0; i < 10; ++i) {
        movePlayer(pose, kUp, frm.trig, open);
    }
    EXPECT_GE(pose.playerX, 0.0f);
    pose = Pose{63.99f, 63.99f, 45.0f};
    for (int i = 0; i < 10; ++i) {
        movePlayer(pose, kUp, frm.trig, open);
    }
    EXPECT_LT(pose.playerX, 64.0f);
    EXPECT_LT(pose.playerY, 64.0f);
}

TEST_F(MovementTest, HoursOfTurningKeepTheHeadingExactAndItsLookupsEquivalent) {
    // Singles lie 2 apart from 2^24 on, so a turning step stays exact up to 2^25: the heading
    // passes 2^24 untouched, and is only wrapped when the next step would be lost.
    const HeldKeys right = keys(false, true, false, false, false, false);
    Pose pose{30.5f, 40.5f, 16777210.0f};
    for (int i = 0; i < 10; ++i) {
        movePlayer(pose, right, frm.trig, frm.worldMap);
    }
    EXPECT_EQ(pose.playerAngle, 16777230.0f) << "no wrap across 2^24";
    constexpr double kTwoTo25 = 33554432.0;
    pose.playerAngle = static_cast<float>(kTwoTo25 - 4.0);
    movePlayer(pose, right, frm.trig, frm.worldMap);
    movePlayer(pose, right, frm.trig, frm.worldMap);
    EXPECT_EQ(pose.playerAngle, static_cast<float>(kTwoTo25)) << "2^25 itself is still reached";
    movePlayer(pose, right, frm.trig, frm.worldMap);
    EXPECT_EQ(pose.playerAngle, static_cast<float>(std::fmod(kTwoTo25 + 2.0, 360.0)))
        << "the step past 2^25 would be lost, so it is taken from the equivalent heading";
    // Ten million ticks of one turning key (nearly fourteen hours) match the unwrapped count.
    float heading = 0.0f;
    for (long i = 1; i <= 10'000'000; ++i) {
        heading = turnHeading(heading, -kTurnStepDegrees);
    }
    EXPECT_EQ(heading, -20'000'000.0f);
    // Walking at such a heading moves exactly as at its equivalent.
    Pose far{30.5f, 40.5f, -20'000'000.0f};
    Pose near{far.playerX, far.playerY, static_cast<float>(std::fmod(-20'000'000.0, 360.0))};
    for (const HeldKeys& held : {kUp, keys(false, false, false, true, false, false),
                                 keys(false, false, false, false, true, false),
                                 keys(false, false, false, false, false, true)}) {
        movePlayer(far, held, frm.trig, frm.worldMap);
        movePlayer(near, held, frm.trig, frm.worldMap);
        EXPECT_EQ(far.playerX, near.playerX);
        EXPECT_EQ(far.playerY, near.playerY);
    }
}

// The handlers and the ticks together, through the window's events.
class KeyboardTest : public MovementTest {};

TEST_F(KeyboardTest, HandlersOnlySetAndClearEntries) {
    frm.Form_KeyDown(vk::kUp, 0);
    EXPECT_EQ(frm.keyState[vk::kUp], kTrue);
    frm.Form_KeyDown(vk::kUp, 0);  // key repeat
    frm.Form_KeyUp(vk::kUp, 0);
    EXPECT_EQ(frm.keyState[vk::kUp], kFalse) << "one release ends a repeated press";
    frm.Form_KeyUp(vk::kUp, 0);
    EXPECT_EQ(frm.keyState[vk::kUp], kFalse);

    frm.Form_KeyDown(vk::kShift, kShiftMask);
    frm.Form_KeyDown(vk::kLeft, kShiftMask);
    EXPECT_EQ(frm.keyState[vk::kLeft], kTrue) << "shift changes nothing about Left";
    EXPECT_EQ(frm.keyState[vk::kShift], kTrue);
    frm.Form_KeyUp(vk::kShift, 0);
    EXPECT_EQ(frm.keyState[vk::kShift], kFalse);
    EXPECT_EQ(frm.keyState[vk::kLeft], kTrue);
}

TEST_F(KeyboardTest, CodesWithoutAnEntryAreIgnoredWhateverTheirSize) {
    const auto before = frm.keyState;
    for (const int code :
         {-1, 256, 256 + vk::kUp, 65536 + vk::kLeft, -65536 + vk::kUp, INT32_MIN, INT32_MAX}) {
        frm.Form_KeyDown(code, 0);
        EXPECT_EQ(frm.keyState, before) << "code " << code;
    }
    frm.Form_KeyDown(0, 0);
    frm.Form_KeyDown(255, 0);
    EXPECT_EQ(frm.keyState[0], kTrue);
    EXPECT_EQ(frm.keyState[255], kTrue);
}

TEST_F(KeyboardTest, PressAndReleaseWithinOneYieldIsSeenByNoTick) {
    window.queueKeyDown(vk::kUp);
    window.queueKeyUp(vk::kUp);
    frm.GameCode();  // the events arrive in this tick's yield, after its move
    frm.GameCode();
    EXPECT_EQ(frm.pose.playerY, 2.5f);
    EXPECT_EQ(frm.keyState[vk::kUp], kFalse);
}

TEST_F(KeyboardTest, KeysTakeEffectFromTheTickAfterTheYieldThatDeliveredThem) {
    window.queueKeyDown(vk::kUp);
    frm.GameCode();
    EXPECT_EQ(frm.pose.playerY, 2.5f) << "delivered at the end of this tick";
    frm.GameCode();
    EXPECT_EQ(frm.pose.playerY, 2.54f);
    window.queueKeyUp(vk::kUp);
    frm.GameCode();
    frm.GameCode();
    EXPECT_EQ(frm.pose.playerY, 2.58f);
}

}  // namespace
}  // namespace quellon
