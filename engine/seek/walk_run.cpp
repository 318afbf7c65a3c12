#include "engine/seek/walk_run.h"

#include <algorithm>
#include <array>
#include <cmath>

#include "engine/seek/lcg_jump.h"
#include "engine/synthesis/envelope_shapes.h"

namespace {

// The generator's arithmetic, as RandomGenerator and ScanWalk do it.
constexpr double kInverseMaxDraw = 3.051850947599719e-05;  // 1 / 32767
constexpr double kLargestUnit = 0.999999999999;
constexpr double kLowBound = 0.1;
constexpr double kHighBound = 0.9;
constexpr int kDrawsPerGrain = 3;  // the choice, the step size, the step's sign

constexpr double kTwoPi = 6.283185307179586;
// NearBlend is within 1e-14 of SegmentBlend; a choice closer than this to
// the tie is made with SegmentBlend itself. About one grain in ten million
// comes that close, most of them the first and middle grains of segments.
constexpr double kTieMargin = 1e-11;

constexpr int kBlockGrains = 8;
constexpr int kBlockDraws = kBlockGrains * kDrawsPerGrain;

double UnitOf(std::uint32_t state)
{
    const double x = static_cast<double>((state >> 16) & 0x7FFF) * kInverseMaxDraw;
    return x >= kLargestUnit ? kLargestUnit : x;
}

// (1 + cos 2πt) / 2 for t in [0, 1], without a library call: cos on [0, π/2]
// by its Taylor series to the term in x^20 (the next is below 2e-17), after
// folding t into that quarter.
double NearBlend(double t)
{
    const double r = t <= 0.5 ? t : 1.0 - t;
    const bool far = r > 0.25;
    const double q = far ? 0.5 - r : r;
    const double x = kTwoPi * q;
    const double z = x * x;
    double c = 1.0 / 2432902008176640000.0;
    c = -1.0 / 6402373705728000.0 + z * c;
    c = 1.0 / 20922789888000.0 + z * c;
    c = -1.0 / 87178291200.0 + z * c;
    c = 1.0 / 479001600.0 + z * c;
    c = -1.0 / 3628800.0 + z * c;
    c = 1.0 / 40320.0 + z * c;
    c = -1.0 / 720.0 + z * c;
    c = 1.0 / 24.0 + z * c;
    c = -0.5 + z * c;
    c = 1.0 + z * c;
    return (1.0 + (far ? -c : c)) * 0.5;
}

// The maps from the state before a block of grains to each of its draws.
struct BlockJumps {
    std::array<std::uint32_t, kBlockDraws> m_multipliers{};
    std::array<std::uint32_t, kBlockDraws> m_increments{};
};

const BlockJumps& Jumps()
{
    static const BlockJumps jumps = [] {
        BlockJumps made;
        for (int i = 0; i < kBlockDraws; ++i) {
            const LcgJump jump = LcgJump::Draws(static_cast<std::uint64_t>(i) + 1);
            made.m_multipliers[i] = jump.Apply(1) - jump.Apply(0);
            made.m_increments[i] = jump.Apply(0);
        }
        return made;
    }();
    return jumps;
}

// The walk's grains, one block of draws at a time.
class RunWalker {
public:
    RunWalker(WalkState& walk, const WalkRunShape& shape)
        : m_walk(walk)
        , m_nLow(static_cast<std::int32_t>(std::trunc(static_cast<double>(shape.m_nSpan) * kLowBound)))
        , m_nHigh(static_cast<std::int32_t>(std::trunc(static_cast<double>(shape.m_nSpan) * kHighBound)))
        , m_dScan(shape.m_nScanFrames)
        , m_dInverseLength(1.0 / walk.m_nSegmentLength)
    {
    }

    // count ≤ kBlockGrains grains whose draws are draws[0 .. 3 × count).
    void Grains(const std::uint32_t* draws, int count)
    {
        double sums[kBlockGrains];
        double units[kBlockGrains];
        std::int32_t steps[kBlockGrains];
        const std::int32_t first = m_walk.m_nGrainInSegment;
        for (int i = 0; i < count; ++i) {
            units[i] = UnitOf(draws[kDrawsPerGrain * i]);
            sums[i] = units[i] + NearBlend((first + i) * m_dInverseLength);
            const auto size = static_cast<std::int32_t>((UnitOf(draws[kDrawsPerGrain * i + 1]) + 0.5) * m_dScan);
            steps[i] = UnitOf(draws[kDrawsPerGrain * i + 2]) * 2.0 < 1.0 ? -size : size;
        }
        std::int32_t a = m_walk.m_nPositionA;
        std::int32_t b = m_walk.m_nPositionB;
        for (int i = 0; i < count; ++i) {
            const bool useA = ChoosesA(sums[i], units[i], first + i);
            const std::int32_t p = std::min(std::max((useA ? a : b) + steps[i], m_nLow), m_nHigh);
            a = useA ? p : a;
            b = useA ? b : p;
        }
        m_walk.m_nPositionA = a;
        m_walk.m_nPositionB = b;
        m_walk.m_nGrainInSegment = first + count;
        m_walk.m_nRandomState = draws[kDrawsPerGrain * count - 1];
    }

private:
    // (u + blend) × 0.5 < 0.5, with the near blend's sum where it is clear.
    bool ChoosesA(double nearSum, double u, std::int32_t grainInSegment) const
    {
        if (nearSum < 1.0 - kTieMargin)
            return true;
        if (nearSum > 1.0 + kTieMargin)
            return false;
        return (u + SegmentBlend(grainInSegment, m_walk.m_nSegmentLength)) * 0.5 < 0.5;
    }

    WalkState& m_walk;
    std::int32_t m_nLow;
    std::int32_t m_nHigh;
    double m_dScan;
    double m_dInverseLength;
};

}  // namespace

FreshDraw FreshDrawOfNextGrain(const WalkState& walk, std::int32_t nextIndex)
{
    if (nextIndex == 0)
        return FreshDraw::Both;
    if (walk.m_nGrainInSegment == walk.m_nSegmentLength)
        return FreshDraw::A;
    if (walk.m_nGrainInSegment == walk.m_nSegmentLength / 2)
        return FreshDraw::B;
    return FreshDraw::None;
}

std::int64_t GrainsBeforeFreshDraw(const WalkState& walk)
{
    const std::int32_t length = walk.m_nSegmentLength;
    const std::int32_t g = walk.m_nGrainInSegment;
    if (length < 2 || g < 0 || g >= length || g == length / 2)
        return 0;
    return g < length / 2 ? length / 2 - g : length - g;
}

void WalkRun(WalkState& walk, std::int64_t grains, const WalkRunShape& shape)
{
    const BlockJumps& jumps = Jumps();
    RunWalker walker(walk, shape);
    std::uint32_t draws[kBlockDraws];
    for (; grains >= kBlockGrains; grains -= kBlockGrains) {
        const std::uint32_t state = walk.m_nRandomState;
        for (int i = 0; i < kBlockDraws; ++i)
            draws[i] = state * jumps.m_multipliers[i] + jumps.m_increments[i];
        walker.Grains(draws, kBlockGrains);
    }
    const auto rest = static_cast<int>(grains);
    const std::uint32_t state = walk.m_nRandomState;
    for (int i = 0; i < kDrawsPerGrain * rest; ++i)
        draws[i] = state * jumps.m_multipliers[i] + jumps.m_increments[i];
    if (rest > 0)
        walker.Grains(draws, rest);
}

void HopRun(WalkState& walk, std::int64_t grains)
{
    walk.m_nRandomState = LcgJump::Draws(static_cast<std::uint64_t>(grains) * kDrawsPerGrain).Apply(walk.m_nRandomState);
    walk.m_nGrainInSegment += static_cast<std::int32_t>(grains);
}
