// The whole-degree tables and their lookups.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>

#include "math/angles.h"

namespace quellon {
namespace {

class AnglesTest : public ::testing::Test {
  protected:
    void SetUp() override { trig.generateTrig(); }
    AngleTables trig;
};

TEST_F(AnglesTest, TableEntriesComeFromTheSingleRoundedRadians) {
    EXPECT_EQ(trig.sinTable[0], 0.0f);
    EXPECT_EQ(trig.sinTable[90], 1.0f);
    EXPECT_EQ(trig.sinTable[180], -8.74227766e-08f);
    EXPECT_EQ(trig.sinTable[270], -1.0f);
    EXPECT_EQ(trig.tanTable[0], 0.0f);
    EXPECT_EQ(trig.tanTable[90], -1000.0f) << "raw tangent just past pi/2 is about -2.3e7";
    EXPECT_EQ(trig.tanTable[180], 8.74227766e-08f);
    EXPECT_EQ(trig.tanTable[270], -1000.0f);
    EXPECT_EQ(trig.tanTable[45], 1.0f);
    EXPECT_EQ(trig.tanTable[225], 0.99999988f);
    EXPECT_EQ(trig.tanTable[315], -1.0000002f);
    EXPECT_EQ(trig.sinTable[60], 0.86602545f);
    EXPECT_EQ(trig.sinTable[120], 0.86602539f);
    EXPECT_EQ(trig.sinTable[7], 0.12186935f);
}

TEST_F(AnglesTest, OnlyTheTwoVerticalTangentsAreClampedAndTheRestStayBelowFiftyEight) {
    for (int i = 0; i < kDegreesPerTurn; ++i) {
        if (i == 90 || i == 270) {
            continue;
        }
        EXPECT_LT(std::fabs(trig.tanTable[i]), 57.3f) << "degree " << i;
    }
    EXPECT_GT(std::fabs(trig.tanTable[89]), 57.2f);
    EXPECT_GT(std::fabs(trig.tanTable[271]), 57.2f);
}

TEST_F(AnglesTest, CosineSignFlipsAtNinetyAndBackAtTwoSeventy) {
    for (int i = 0; i < kDegreesPerTurn; ++i) {
        const int expected = (i >= 90 && i <= 269) ? -1 : 1;
        ASSERT_EQ(trig.cosSignTable[i], expected) << "degree " << i;
    }
}

TEST_F(AnglesTest, RadiansRoundsToSingleAfterADoubleProductAndQuotient) {
    EXPECT_EQ(Radians(180.0f), static_cast<float>(180.0 * 3.14159265358979 / 180.0));
    EXPECT_GT(static_cast<double>(Radians(90.0f)), 3.14159265358979 / 2)
        << "the single of 90 degrees lies just past pi/2";
    EXPECT_EQ(Radians(0.0f), 0.0f);
}

TEST_F(AnglesTest, NormaliseWrapsEverySixteenBitAngleIntoOneTurn) {
    const std::pair<int, int> cases[] = {{0, 0},     {360, 0},  {-1, 359},  {-360, 0},
                                         {359, 359}, {720, 0},  {32767, 7}, {-32768, 352},
                                         {1, 1},     {-359, 1}, {32760, 0}};
    for (const auto& [in, out] : cases) {
        EXPECT_EQ(normaliseAngle(static_cast<std::int16_t>(in)), out)
            << "normaliseAngle(" << in << ")";
    }
    for (int n = INT16_MIN; n <= INT16_MAX; ++n) {
        const int expected = ((n % 360) + 360) % 360;
        ASSERT_EQ(normaliseAngle(static_cast<std::int16_t>(n)), expected) << n;
    }
}

TEST_F(AnglesTest, LookupsReadTheNormalisedEntry) {
    EXPECT_EQ(trig.lSin(450), 1.0f);
    EXPECT_EQ(trig.lSin(-90), -1.0f);
    EXPECT_EQ(trig.lSin(180), -8.74227766e-08f);
    EXPECT_EQ(trig.lCos(0), 1.0f);
    EXPECT_EQ(trig.lCos(90), -8.74227766e-08f);
    EXPECT_EQ(trig.lCos(-90), 0.0f);
    EXPECT_EQ(trig.lCos(32677), 0.12186935f);
    EXPECT_EQ(trig.lTan(90), -1000.0f);
    EXPECT_EQ(trig.lTan(-90), -1000.0f);
    EXPECT_EQ(trig.lTan(45), 1.0f);
    EXPECT_EQ(trig.lTan(-135), 0.99999988f);
}

TEST_F(AnglesTest, CosineAboveTheSixteenBitLimitWrapsToTheEquivalentAngle) {
    for (int a = 32678; a <= INT16_MAX; ++a) {
        const int equivalent = (a + 90) % 360;
        EXPECT_EQ(trig.lCos(static_cast<std::int16_t>(a)), trig.sinTable[equivalent]) << a;
    }
}

TEST_F(AnglesTest, LookupArgumentsKeepInRangeValuesAndWrapTheRestExactly) {
    EXPECT_EQ(toLookupArgument(-32678), -32678);
    EXPECT_EQ(toLookupArgument(32677), 32677);
    EXPECT_EQ(toLookupArgument(0), 0);
    EXPECT_EQ(toLookupArgument(32678), 32678 % 360);
    EXPECT_EQ(toLookupArgument(-32679), ((-32679 % 360) + 360) % 360);
    EXPECT_EQ(toLookupArgument(1e15), std::fmod(1e15, 360.0));
    EXPECT_EQ(toLookupArgument(-1e15), 360 - std::fmod(1e15, 360.0));
    EXPECT_EQ(toLookupArgument(std::nan("")), 0);
    // Every heading gives the lookups of its equivalent in one turn.
    for (int degrees = -100000; degrees <= 100000; degrees += 7) {
        const double d = degrees;
        const std::int16_t arg = toLookupArgument(d);
        const int equivalent = static_cast<int>(((static_cast<long>(d) % 360) + 360) % 360);
        ASSERT_EQ(normaliseAngle(arg), equivalent) << d;
        ASSERT_LE(arg, 32677) << d;
        ASSERT_GE(arg, -32678) << d;
    }
    EXPECT_EQ(roundToLookupArgument(2.5f), 2) << "ties go to even";
    EXPECT_EQ(roundToLookupArgument(3.5f), 4);
    EXPECT_EQ(roundToLookupArgument(-0.5f), 0);
}

}  // namespace
}  // namespace quellon
