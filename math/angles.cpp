#include "math/angles.h"

#include <cmath>
#include <cstdint>

namespace quellon {

namespace {

// The double nearest to 3.14159265358979, a little below the double nearest to pi.
constexpr double kPi = 3.14159265358979;
constexpr double kHalfTurnDegrees = 180.0;
constexpr int kLookupMin = -32678;  // lowest argument whose value - 90 still fits 16 bits
constexpr int kLookupMax = 32677;   // highest argument whose value + 90 still fits 16 bits

}  // namespace

float Radians(float degrees) {
    return static_cast<float>(static_cast<double>(degrees) * kPi / kHalfTurnDegrees);
}

std::int16_t normaliseAngle(std::int16_t angle) {
    int n = angle;
    while (n <= 0) {
        n += kDegreesPerTurn;
    }
    while (n >= kDegreesPerTurn) {
        n -= kDegreesPerTurn;
    }
    return static_cast<std::int16_t>(n);
}

std::int16_t toLookupArgument(double wholeDegrees) {
    if (wholeDegrees >= kLookupMin && wholeDegrees <= kLookupMax) {
        return static_cast<std::int16_t>(wholeDegrees);
    }
    if (!std::isfinite(wholeDegrees)) {
        return 0;
    }
    // fmod is exact, so the equivalent angle is exact too.
    double wrapped = std::fmod(wholeDegrees, kDegreesPerTurn);
    if (wrapped < 0) {
        wrapped += kDegreesPerTurn;
    }
    return static_cast<std::int16_t>(wrapped);
}

std::int16_t roundToLookupArgument(double degrees) {
    // nearbyint rounds in the current mode, which the program never changes from the
    // default: to nearest, ties to even.
    return toLookupArgument(std::nearbyint(degrees));
}

float AngleTables::lCos(std::int16_t angle) const {
    int sum = angle + kQuarterTurnDegrees;
    if (sum > INT16_MAX) {
        sum -= kDegreesPerTurn;
    }
    return lSin(static_cast<std::int16_t>(sum));
}

float sineEntry(double radians) {
    return static_cast<float>(std::sin(radians));
}

float tangentEntry(double radians) {
    float tangent = static_cast<float>(std::tan(radians));
    if (tangent > kTanLimit) {
        tangent = kTanLimit;
    }
    if (tangent < -kTanLimit) {
        tangent = -kTanLimit;
    }
    return tangent;
}

std::int16_t cosSignEntry(double radians) {
    // The cosine over its own magnitude, which is +1 or -1 for every cosine but zero; no double
    // is a zero of the cosine, and a zero would count as positive.
    return std::cos(radians) < 0.0 ? std::int16_t{-1} : std::int16_t{1};
}

void AngleTables::generateTrig() {
    for (int i = 0; i < kDegreesPerTurn; ++i) {
        const double radians = Radians(static_cast<float>(i));
        sinTable[i] = sineEntry(radians);
        tanTable[i] = tangentEntry(radians);
        cosSignTable[i] = cosSignEntry(radians);
    }
}

}  // namespace quellon
