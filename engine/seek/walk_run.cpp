#include "engine/seek/walk_run.h"

#include <algorithm>
#include <cmath>

#include "engine/seek/lcg_jump.h"
#include "engine/scheduling/envelope_shapes.h"
#include "engine/scheduling/scan_walk.h"

namespace {

// The generator's arithmetic, as RandomGenerator and ScanWalk do it.
constexpr double kInverseMaxDraw = 3.051850947599719e-05;  // 1 / 32767
constexpr double kLargestUnit = 0.999999999999;
constexpr int kDrawsPerGrain = 3;  // the choice, the step size, the step's sign

constexpr double kTwoPi = 6.283185307179586;
// NearBlend is within 1e-14 of SegmentBlend; a choice closer than this to
// the tie is made with SegmentBlend itself. About one grain in ten million
// comes that close.
constexpr double kTieMargin = 1e-11;

constexpr int kBlockGrains = 32;

[[gnu::always_inline]] inline double UnitOf(std::uint32_t state)
{
    const double x = static_cast<double>(static_cast<std::int32_t>((state >> 16) & 0x7FFF)) * kInverseMaxDraw;
    return std::min(x, kLargestUnit);  // as x ≥ kLargestUnit ? kLargestUnit : x
}

// (1 + cos 2πt) / 2 for t in [0, 1], without a library call: cos on [0, π/2]
// by its Taylor series to the term in x^20 (the next is below 2e-17), after
// folding t into that quarter.
[[gnu::always_inline]] inline double NearBlend(double t)
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

// A block's draws by what they decide: each grain draws its choice, its
// step size and its step's sign, in that order.
enum Draw { kChoice, kSize, kSign };

struct BlockDraws {
    std::uint32_t m_draws[kDrawsPerGrain][kBlockGrains];
};

// The maps from the state before a block of grains to each of its draws.
struct BlockJumps {
    std::uint32_t m_multipliers[kDrawsPerGrain][kBlockGrains];
    std::uint32_t m_increments[kDrawsPerGrain][kBlockGrains];
};

const BlockJumps& Jumps()
{
    static const BlockJumps jumps = [] {
        BlockJumps made{};
        for (int grain = 0; grain < kBlockGrains; ++grain) {
            for (int draw = 0; draw < kDrawsPerGrain; ++draw) {
                const LcgJump jump = LcgJump::Draws(static_cast<std::uint64_t>(kDrawsPerGrain * grain + draw) + 1);
                made.m_multipliers[draw][grain] = jump.Apply(1) - jump.Apply(0);
                made.m_increments[draw][grain] = jump.Apply(0);
            }
        }
        return made;
    }();
    return jumps;
}

// The draws of count grains from state.
[[gnu::always_inline]] inline void DrawBlock(std::uint32_t state, int count, BlockDraws& block)
{
    const BlockJumps& jumps = Jumps();
    for (int draw = 0; draw < kDrawsPerGrain; ++draw) {
        for (int i = 0; i < count; ++i)
            block.m_draws[draw][i] = state * jumps.m_multipliers[draw][i] + jumps.m_increments[draw][i];
    }
}

// The walk's grains, one block of draws at a time. Within a run the blend
// moves one way (it falls to the middle of a segment and rises after it),
// so its values at a block's first and last grains bound it over the block,
// and most choices are clear from those bounds alone.
class RunWalker {
public:
    RunWalker(WalkState& walk, const WalkRunShape& shape)
        : m_walk(walk)
        , m_nLow(shape.m_nLowBound)
        , m_nHigh(shape.m_nHighBound)
        , m_dScan(shape.m_nScanFrames)
        , m_dInverseLength(1.0 / walk.m_nSegmentLength)
    {
    }

    // count ≤ kBlockGrains grains with the draws of block.
    [[gnu::always_inline]] void Grains(const BlockDraws& block, int count)
    {
        const std::int32_t first = m_walk.m_nGrainInSegment;
        const double blendFirst = NearBlend(first * m_dInverseLength);
        const double blendLast = NearBlend((first + count - 1) * m_dInverseLength);
        const double clearlyA = 1.0 - kTieMargin - std::max(blendFirst, blendLast);
        const double clearlyB = 1.0 + kTieMargin - std::min(blendFirst, blendLast);
        double units[kBlockGrains];
        std::int32_t steps[kBlockGrains];
        int choosesA[kBlockGrains];
        int unclear = 0;
        for (int i = 0; i < count; ++i) {
            const double u = UnitOf(block.m_draws[kChoice][i]);
            units[i] = u;
            choosesA[i] = u < clearlyA ? 1 : 0;
            unclear |= (u >= clearlyA ? 1 : 0) & (u <= clearlyB ? 1 : 0);
            const auto size = static_cast<std::int32_t>((UnitOf(block.m_draws[kSize][i]) + 0.5) * m_dScan);
            steps[i] = UnitOf(block.m_draws[kSign][i]) * 2.0 < 1.0 ? -size : size;
        }
        if (unclear != 0) [[unlikely]]
            ResolveUnclear(units, choosesA, count, first, clearlyA, clearlyB);
        std::int32_t a = m_walk.m_nPositionA;
        std::int32_t b = m_walk.m_nPositionB;
        // Each grain's step goes to the candidate it chose. The choice is as
        // likely one way as the other, so the steps are sorted by counting,
        // not by branches the processor would mispredict half the time; then
        // the two candidates walk their own steps side by side.
        std::int32_t stepsOfA[kBlockGrains];
        std::int32_t stepsOfB[kBlockGrains];
        int countA = 0;
        int countB = 0;
        for (int i = 0; i < count; ++i) {
            stepsOfA[countA] = steps[i];
            stepsOfB[countB] = steps[i];
            countA += choosesA[i];
            countB += 1 - choosesA[i];
        }
        const int both = std::min(countA, countB);
        for (int i = 0; i < both; ++i) {
            a = Stepped(a, stepsOfA[i]);
            b = Stepped(b, stepsOfB[i]);
        }
        for (int i = both; i < countA; ++i)
            a = Stepped(a, stepsOfA[i]);
        for (int i = both; i < countB; ++i)
            b = Stepped(b, stepsOfB[i]);
        m_walk.m_nPositionA = a;
        m_walk.m_nPositionB = b;
        m_walk.m_nGrainInSegment = first + count;
        m_walk.m_nRandomState = block.m_draws[kSign][count - 1];
    }

private:
    // A candidate moved by a step and clamped, as ChooseGrainPosition does.
    [[gnu::always_inline]] std::int32_t Stepped(std::int32_t position, std::int32_t step) const
    {
        return std::min(std::max(position + step, m_nLow), m_nHigh);
    }

    // The choices the block's bounds on the blend leave open, made grain by
    // grain.
    void ResolveUnclear(const double* units, int* choosesA, int count, std::int32_t first, double clearlyA,
                        double clearlyB) const
    {
        for (int i = 0; i < count; ++i) {
            if (units[i] >= clearlyA && units[i] <= clearlyB)
                choosesA[i] = ChoosesA(units[i], first + i) ? 1 : 0;
        }
    }

    // (u + blend) × 0.5 < 0.5, with the near blend where it is clear.
    bool ChoosesA(double u, std::int32_t grainInSegment) const
    {
        const double nearSum = u + NearBlend(grainInSegment * m_dInverseLength);
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

[[gnu::always_inline]] inline void WalkBlocks(WalkState& walk, std::int64_t grains, const WalkRunShape& shape)
{
    RunWalker walker(walk, shape);
    BlockDraws block;
    while (grains > 0) {
        const int count = static_cast<int>(std::min<std::int64_t>(grains, kBlockGrains));
        DrawBlock(walk.m_nRandomState, count, block);
        walker.Grains(block, count);
        grains -= count;
    }
}

void WalkBlocksPortable(WalkState& walk, std::int64_t grains, const WalkRunShape& shape)
{
    WalkBlocks(walk, grains, shape);
}

// The same compiled for AVX2, which takes the draws, the units and the steps
// four at a time: about 1.6 times as fast on AMD Zen, with the same numbers
// (the engine fuses no multiply-add, and nothing else rounds differently).
#if defined(__x86_64__) || defined(__i386__)
__attribute__((target("avx2"))) void WalkBlocksAvx2(WalkState& walk, std::int64_t grains, const WalkRunShape& shape)
{
    WalkBlocks(walk, grains, shape);
}

bool HasAvx2()
{
    static const bool has = __builtin_cpu_supports("avx2");
    return has;
}
#endif

}  // namespace

WalkRunShape WalkRunShapeOf(std::uint32_t span, const GrainSettings& settings)
{
    const WalkReach reach = ReachOf(span, settings.m_dPosition, settings.m_dPositionSpread);
    return WalkRunShape{reach.m_nLowBound, reach.m_nHighBound, reach.StepFrames(settings.m_nScanFrames)};
}

void WalkRun(WalkState& walk, std::int64_t grains, const WalkRunShape& shape)
{
#if defined(__x86_64__) || defined(__i386__)
    if (HasAvx2()) {
        WalkBlocksAvx2(walk, grains, shape);
        return;
    }
#endif
    WalkBlocksPortable(walk, grains, shape);
}

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

void HopRun(WalkState& walk, std::int64_t grains)
{
    walk.m_nRandomState = LcgJump::Draws(static_cast<std::uint64_t>(grains) * kDrawsPerGrain).Apply(walk.m_nRandomState);
    walk.m_nGrainInSegment += static_cast<std::int32_t>(grains);
}
