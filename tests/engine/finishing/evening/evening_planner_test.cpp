// Level evening planned from block energies: what it lowers and lifts, what
// it leaves alone (the median, silence, the fades), how fast it turns, and a
// loop's seam.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

#include "engine/finishing/evening/evening_planner.h"

namespace {

constexpr std::uint64_t kStep = CurvePlacement::kPointFrames;
constexpr std::uint64_t kSecond = 44100;
constexpr double kSilent = -1000.0;  // stands for digital silence in a pattern

// Stretches of (seconds, loudness in LUFS), as 100 ms block energies.
std::vector<float> Blocks(const std::vector<std::pair<int, double>>& stretches)
{
    std::vector<float> blocks;
    for (const auto& [seconds, loudness] : stretches) {
        const float energy = loudness == kSilent ? 0.0f : static_cast<float>(std::pow(10.0, (loudness + 0.691) / 10.0));
        blocks.insert(blocks.end(), static_cast<std::size_t>(seconds) * 10, energy);
    }
    return blocks;
}

EveningPlan PlanOf(const std::vector<std::pair<int, double>>& stretches, double range, std::uint64_t fadeFrames = 0,
                   bool loop = false)
{
    std::vector<float> blocks = Blocks(stretches);
    const CurvePlacement placement{blocks.size() * kStep, 0, loop};
    return PlanEvening(std::move(blocks), placement, fadeFrames, range);
}

double DecibelsAt(const GainCurve& curve, double seconds)
{
    return 20.0 * std::log10(curve.At(static_cast<std::uint64_t>(seconds * kSecond)));
}

}  // namespace

// With 6 LU around a median of -20 LUFS: a stretch at -5 comes down to -14
// (-9 dB), one at -32 comes up to -26 (+6 dB), the median's stretches stay.
// Measured mid-stretch, where the 3 s windows and the turns are done.
TEST(EveningPlanner, LoudAndQuietStretchesComeToTheEdgesOfTheRange)
{
    const EveningPlan plan = PlanOf({{30, -20.0}, {20, -5.0}, {30, -20.0}, {20, -32.0}, {30, -20.0}}, 6.0);
    const GainCurve& curve = plan.m_curve;
    // The loudness and the median are floats: a few millionths of a dB.
    EXPECT_NEAR(plan.m_summary.m_dMedianLufs, -20.0, 1e-4);
    EXPECT_NEAR(DecibelsAt(curve, 40.0), -9.0, 1e-4);
    EXPECT_NEAR(DecibelsAt(curve, 90.0), 6.0, 1e-4);
    for (const double seconds : {10.0, 65.0, 115.0})
        EXPECT_NEAR(DecibelsAt(curve, seconds), 0.0, 1e-4) << seconds;
    // It starts down before the loud stretch arrives (at 30 s), is most of
    // the way down when it does (the window centred there is half loud, half
    // not: 6.1 dB is enough for it), and all the way down for the first window
    // wholly inside it (at 31.5 s); it comes back up only after the stretch.
    EXPECT_LT(DecibelsAt(curve, 29.0), -1.0);
    EXPECT_LT(DecibelsAt(curve, 30.0), -6.1);
    EXPECT_NEAR(DecibelsAt(curve, 31.5), -9.0, 1e-4);
    EXPECT_LT(DecibelsAt(curve, 51.0), -1.0);
}

// 55 % of the sound at -20 LUFS and 45 % at -41.5: the power mean is -22.6,
// the gate -62.6. With 1 LU the quiet part needs 20.5 dB, and gets the 20
// the lift allows. At -60, 2.6 above the gate, it would get only 2.6.
TEST(EveningPlanner, LiftsAtMost20DbAndLessNearTheGate)
{
    const EveningPlan capped = PlanOf({{33, -20.0}, {27, -41.5}}, 1.0);
    EXPECT_NEAR(DecibelsAt(capped.m_curve, 47.0), 20.0, 1e-4);
    const EveningPlan nearGate = PlanOf({{33, -20.0}, {27, -60.0}}, 1.0);
    const double gate = nearGate.m_summary.m_dGateLufs;
    EXPECT_NEAR(DecibelsAt(nearGate.m_curve, 47.0), -60.0 - gate, 1e-3);
}

// Two thirds silence: the median is that of the sound heard, which keeps a
// gain of 1; the silence is never lifted (there, a gain of at most 1).
TEST(EveningPlanner, SilenceIsLeftOutAndNeverLifted)
{
    for (const double silence : {kSilent, -80.0}) {
        const EveningPlan plan = PlanOf({{20, -20.0}, {20, silence}, {20, -35.0}, {20, silence}, {20, -20.0}}, 3.0);
        EXPECT_NEAR(plan.m_summary.m_dMedianLufs, -20.0, 1e-4);
        EXPECT_NEAR(DecibelsAt(plan.m_curve, 10.0), 0.0, 1e-4);
        EXPECT_NEAR(DecibelsAt(plan.m_curve, 50.0), 12.0, 1e-4);  // -35 up to -23
        for (double seconds = 21.5; seconds <= 38.5; seconds += 0.05)
            ASSERT_LE(plan.m_curve.At(static_cast<std::uint64_t>(seconds * kSecond)), 1.0) << seconds;
    }
}

// Loud stretches only in the fades: they would be most of the sound, but the
// median is taken between the fades, so the middle keeps its level and the
// ends (which the fades will take down anyway) come down to the range.
TEST(EveningPlanner, TheFadesDoNotCountTowardsTheMedian)
{
    const EveningPlan plan = PlanOf({{20, -5.0}, {30, -20.0}, {20, -5.0}}, 6.0, 19 * kSecond);
    EXPECT_NEAR(plan.m_summary.m_dMedianLufs, -20.0, 1e-4);
    EXPECT_NEAR(DecibelsAt(plan.m_curve, 35.0), 0.0, 1e-4);
    EXPECT_NEAR(DecibelsAt(plan.m_curve, 5.0), -9.0, 1e-4);
}

// However sudden the change (40 dB at once), the gain turns by at most
// 6 dB/s from frame to frame, also between its points.
TEST(EveningPlanner, TurnsAtMostSixDecibelsPerSecond)
{
    const EveningPlan plan = PlanOf({{20, -20.0}, {3, 20.0}, {20, -20.0}, {10, -60.0}, {20, -20.0}}, 1.0);
    const GainCurve& curve = plan.m_curve;
    double steepest = 0.0;
    double before = curve.At(0);
    for (std::uint64_t frame = 1; frame < 73 * kSecond; ++frame) {
        const double gain = curve.At(frame);
        steepest = std::max(steepest, std::fabs(20.0 * std::log10(gain / before)));
        before = gain;
    }
    // The curve's points are floats: their ratio is off by up to 2^-23,
    // 1e-6 dB on a step of 0.58 dB, 1e-5 dB/s.
    EXPECT_LE(steepest * kSecond, kSteepestDbPerSecond + 1e-4);
    EXPECT_GT(steepest * kSecond, 0.9 * kSteepestDbPerSecond);  // it did have to turn its fastest
}

// A loud stretch at the end of a loop is followed by its start: the gain is
// already down there and comes back up from the seam, as smoothly as
// anywhere. An open sound's start knows nothing of its end.
TEST(EveningPlanner, ALoopTurnsThroughItsSeam)
{
    const std::vector<std::pair<int, double>> stretches{{40, -20.0}, {10, -5.0}};
    const EveningPlan loop = PlanOf(stretches, 6.0, 0, true);
    const EveningPlan open = PlanOf(stretches, 6.0, 0, false);
    const std::uint64_t last = 50 * kSecond - 1;
    EXPECT_LT(DecibelsAt(loop.m_curve, 0.0), -6.1);
    EXPECT_NEAR(DecibelsAt(open.m_curve, 0.0), 0.0, 1e-4);
    const double seam = 20.0 * std::log10(loop.m_curve.At(0) / loop.m_curve.At(last));
    EXPECT_LE(std::fabs(seam), kSteepestDbPerSecond / kSecond + 1e-9);
}

TEST(EveningPlanner, NothingToEvenInSilenceOrUnderThreeSeconds)
{
    for (const EveningPlan& plan : {PlanOf({{60, kSilent}}, 6.0), PlanOf({{2, -20.0}}, 6.0)}) {
        EXPECT_FALSE(plan.m_summary.m_bEvened);
        EXPECT_TRUE(plan.m_curve.IsUnity());
    }
}
