#include "engine/scheduling/envelope_shapes.h"

#include <cmath>

namespace {

constexpr double kTwoPi = 6.283185307179586;
constexpr double kHalfPi = 1.5707963267948966;
constexpr double kThreeHalvesPi = 4.71238898038469;

}  // namespace

// Kept as a shifted sine rather than (1 − cos) / 2: the two differ in their
// last bits, and the bytes of every output depend on them.
double GrainWindowGain(std::uint32_t i, std::int32_t n)
{
    return (std::sin(i / static_cast<double>(n) * kTwoPi + kThreeHalvesPi) + 1.0) * 0.5;
}

double SegmentBlend(std::int32_t grainInSegment, std::int32_t segmentLength)
{
    return (std::sin(grainInSegment / static_cast<double>(segmentLength) * kTwoPi + kHalfPi) + 1.0) * 0.5;
}
