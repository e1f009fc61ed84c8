// Whole-degree angle tables and their lookups. Every sine, cosine and tangent the running
// program needs is read from here; trigonometric functions run only while building them.
#pragma once

#include <array>
#include <cstdint>

namespace quellon {

inline constexpr int kDegreesPerTurn = 360;
inline constexpr int kQuarterTurnDegrees = 90;
// Tangents are limited to this magnitude, so that near-vertical rays still cross the grid.
inline constexpr float kTanLimit = 1000.0f;

// Degrees to radians: the product and quotient in double, the result rounded to single.
// The single rounding is what makes sin 180 come out as -8.74e-08 and tan 90 as -1000.
float Radians(float degrees);

// Wraps any 16-bit angle into 0..359 without leaving the 16-bit range on the way.
std::int16_t normaliseAngle(std::int16_t angle);

// Brings a whole number of degrees of any size to a lookup argument. Values in
// -32678..32677 pass through unchanged, so that the argument plus or minus 90 still fits
// 16 bits; larger ones are replaced by the equivalent angle in 0..359. Rounding to a whole
// number is the caller's business.
std::int16_t toLookupArgument(double wholeDegrees);

// Rounds an angle to the nearest whole degree, ties to even, and brings it to a lookup
// argument.
std::int16_t roundToLookupArgument(double degrees);

// How an entry of each table is made from an angle in radians: the function taken in double,
// then rounded to single where the table holds singles. The tables take them at the
// single-precision radians of whole degrees; anything that computes a ray's trigonometry at
// run time takes them at its own angles, so that its values are treated as the tables' are.
float sineEntry(double radians);
// Rounded to single, then limited to -kTanLimit..kTanLimit.
float tangentEntry(double radians);
// +1 or -1: the sign of the cosine.
std::int16_t cosSignEntry(double radians);

class AngleTables {
  public:
    // Fills the three tables; called once at start-up before any lookup.
    void generateTrig();

    float lSin(std::int16_t angle) const { return sinTable[normaliseAngle(angle)]; }
    // The cosine is the sine 90 degrees on; the sum wraps by a turn rather than overflow.
    float lCos(std::int16_t angle) const;
    float lTan(std::int16_t angle) const { return tanTable[normaliseAngle(angle)]; }
    // +1 or -1, the sign of the cosine.
    std::int16_t cosSign(std::int16_t angle) const { return cosSignTable[normaliseAngle(angle)]; }

    std::array<float, kDegreesPerTurn> sinTable{};
    std::array<float, kDegreesPerTurn> tanTable{};
    std::array<std::int16_t, kDegreesPerTurn> cosSignTable{};
};

}  // namespace quellon
