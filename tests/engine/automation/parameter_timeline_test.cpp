// A layer's automation: values that hold, lines between keyframes in each
// parameter's unit, steps of the window and the pitch set, the gain out of and
// into silence, and drift that stays in its range and repeats with its seed.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/parameters/parameter_table.h"
#include "engine/automation/parameter_timeline.h"

namespace {

constexpr std::uint32_t kSeed = 20261208;
constexpr double kMinute = 60.0;

Keyframe KeyframeAt(double seconds, std::map<ParameterId, double> values, Curve curve = Curve::Linear)
{
    Keyframe keyframe;
    keyframe.m_dSeconds = seconds;
    keyframe.m_curve = curve;
    keyframe.m_values = std::move(values);
    return keyframe;
}

Keyframe GainKeyframeAt(double seconds, double gainDb, Curve curve = Curve::Linear)
{
    Keyframe keyframe = KeyframeAt(seconds, {}, curve);
    keyframe.m_gainDb = gainDb;
    return keyframe;
}

ScoreLayer PitchLine(double endPitch, Curve curve)
{
    ScoreLayer layer;
    layer.m_keyframes = {KeyframeAt(kMinute, {{ParameterId::Pitch, endPitch}}, curve)};
    return layer;
}

double PitchAt(const ParameterTimeline& timeline, double seconds)
{
    return timeline.At(seconds).m_values.Get(ParameterId::Pitch);
}

ScoreLayer DriftingLayer(ParameterId id, double value, Drift drift)
{
    ScoreLayer layer;
    layer.m_values.Set(id, value);
    layer.m_drift[id] = drift;
    return layer;
}

}  // namespace

TEST(ParameterTimeline, ALayerWithoutKeyframesOrDriftHoldsItsOwnValues)
{
    ScoreLayer layer;
    layer.m_values.Set(ParameterId::Density, 3000);
    layer.m_values.Set(ParameterId::Pitch, 0.3);
    layer.m_values.Set(ParameterId::Window, 2);
    layer.m_values.SetPitchSet({0, 7, 12});
    layer.m_dGainDb = -6.0;
    const ParameterTimeline timeline(layer, 10 * kMinute, kSeed, 0, false);
    EXPECT_TRUE(timeline.IsConstant());
    for (const double seconds : {-1.0, 0.0, 123.4, 600.0, 1e9}) {
        const LayerValues values = timeline.At(seconds);
        EXPECT_EQ(values.m_values, layer.m_values) << seconds;
        EXPECT_EQ(values.m_dGainDb, -6.0) << seconds;
        EXPECT_DOUBLE_EQ(timeline.GainAt(seconds), std::pow(10.0, -6.0 / 20.0)) << seconds;
    }
    EXPECT_EQ(timeline.PitchSets(), (std::vector<std::vector<double>>{{0, 7, 12}}));
    EXPECT_EQ(timeline.WindowChoices(), std::vector<int>{2});
    const ValueBounds density = timeline.BoundsOf(ParameterId::Density);
    EXPECT_EQ(density.m_dLowest, 3000);
    EXPECT_EQ(density.m_dHighest, 3000);
}

TEST(ParameterTimeline, OnlyChangesOrDriftMakeALayerMove)
{
    ScoreLayer restating;
    restating.m_keyframes = {KeyframeAt(30, {{ParameterId::Density, RowOf(ParameterId::Density).m_dDefault}})};
    restating.m_keyframes.push_back(GainKeyframeAt(40, 0.0));
    EXPECT_TRUE(ParameterTimeline(restating, kMinute, kSeed, 0, false).IsConstant());

    ScoreLayer moving = restating;
    moving.m_keyframes.push_back(KeyframeAt(50, {{ParameterId::Window, 1}}));
    EXPECT_FALSE(ParameterTimeline(moving, kMinute, kSeed, 0, false).IsConstant());

    ScoreLayer silenced;
    silenced.m_keyframes = {GainKeyframeAt(50, -INFINITY)};
    EXPECT_FALSE(ParameterTimeline(silenced, kMinute, kSeed, 0, false).IsConstant());

    ScoreLayer newSet;
    newSet.m_keyframes = {KeyframeAt(50, {})};
    newSet.m_keyframes.back().m_pitchSet = std::vector<double>{0, 5};
    EXPECT_FALSE(ParameterTimeline(newSet, kMinute, kSeed, 0, false).IsConstant());

    // A keyframe at the start that gives another value: constant, but not the layer's own.
    ScoreLayer overridden;
    overridden.m_keyframes = {KeyframeAt(0, {{ParameterId::Pitch, 5}})};
    EXPECT_FALSE(ParameterTimeline(overridden, kMinute, kSeed, 0, false).IsConstant());

    const ScoreLayer drifting = DriftingLayer(ParameterId::Pitch, 0, {1.0, 10.0});
    EXPECT_FALSE(ParameterTimeline(drifting, kMinute, kSeed, 0, false).IsConstant());
    ScoreLayer gainDrifting;
    gainDrifting.m_gainDrift = Drift{3.0, 10.0};
    EXPECT_FALSE(ParameterTimeline(gainDrifting, kMinute, kSeed, 0, false).IsConstant());
}

TEST(ParameterTimeline, ALinearLineMovesEvenlyInSemitones)
{
    const ParameterTimeline timeline(PitchLine(12, Curve::Linear), kMinute, kSeed, 0, false);
    EXPECT_EQ(PitchAt(timeline, 0), 0.0);
    EXPECT_EQ(PitchAt(timeline, 15), 3.0);
    EXPECT_EQ(PitchAt(timeline, 30), 6.0);
    EXPECT_EQ(PitchAt(timeline, kMinute), 12.0);
    EXPECT_FALSE(timeline.IsConstant());
}

// Difference quotients at both ends are far below the straight line's slope of
// 0.2 semitones per second, and the curve meets the same ends and middle.
TEST(ParameterTimeline, ASmoothLineLeavesAndArrivesWithoutSlope)
{
    const ParameterTimeline smooth(PitchLine(12, Curve::Smooth), kMinute, kSeed, 0, false);
    const double h = 0.01;
    // 3u² − 2u³ over h = 1/6000 of the line: a quotient of about 12 × 3 u / h ≈ 1e-4.
    EXPECT_LT((PitchAt(smooth, h) - PitchAt(smooth, 0)) / h, 1e-3);
    EXPECT_LT((PitchAt(smooth, kMinute) - PitchAt(smooth, kMinute - h)) / h, 1e-3);
    EXPECT_GT((PitchAt(smooth, 30 + h) - PitchAt(smooth, 30)) / h, 0.2);  // steeper than straight in the middle
    EXPECT_EQ(PitchAt(smooth, 0), 0.0);
    EXPECT_DOUBLE_EQ(PitchAt(smooth, 30), 6.0);
    EXPECT_EQ(PitchAt(smooth, kMinute), 12.0);
}

TEST(ParameterTimeline, AStepChangesAtOnceAtItsKeyframe)
{
    const ParameterTimeline step(PitchLine(12, Curve::Step), kMinute, kSeed, 0, false);
    EXPECT_EQ(PitchAt(step, 0), 0.0);
    EXPECT_EQ(PitchAt(step, kMinute - 1e-9), 0.0);
    EXPECT_EQ(PitchAt(step, kMinute), 12.0);
}

TEST(ParameterTimeline, ParametersNoKeyframeNamesHoldAndTheLastKeyframeHolds)
{
    ScoreLayer layer;
    layer.m_values.Set(ParameterId::Density, 2000);
    layer.m_keyframes = {KeyframeAt(20, {{ParameterId::Pitch, 5}})};
    const ParameterTimeline timeline(layer, 3 * kMinute, kSeed, 0, false);
    for (const double seconds : {0.0, 10.0, 20.0, 40.0, 180.0, 500.0}) {
        const ParameterValues values = timeline.At(seconds).m_values;
        EXPECT_EQ(values.With(ParameterId::Pitch, 0.0), layer.m_values) << seconds;
        if (seconds >= 20) {
            EXPECT_EQ(values.Get(ParameterId::Pitch), 5.0) << seconds;
        }
    }
}

TEST(ParameterTimeline, AKeyframeAtTheStartOverridesTheLayersValue)
{
    ScoreLayer layer;
    layer.m_values.Set(ParameterId::Pitch, 3);
    layer.m_values.Set(ParameterId::Density, 2000);
    layer.m_keyframes = {KeyframeAt(0, {{ParameterId::Pitch, -5}, {ParameterId::Density, 6000}}),
                         KeyframeAt(10, {{ParameterId::Pitch, 5}})};
    const ParameterTimeline timeline(layer, kMinute, kSeed, 0, false);
    EXPECT_EQ(PitchAt(timeline, 0), -5.0);
    EXPECT_EQ(PitchAt(timeline, 5), 0.0);
    EXPECT_EQ(timeline.At(30).m_values.Get(ParameterId::Density), 6000);
    // The layer's own value is never used, so the bounds leave it out.
    const ValueBounds pitch = timeline.BoundsOf(ParameterId::Pitch);
    EXPECT_EQ(pitch.m_dLowest, -5.0);
    EXPECT_EQ(pitch.m_dHighest, 5.0);
}

TEST(ParameterTimeline, TheWindowAndThePitchSetChangeAtTheirKeyframesTime)
{
    ScoreLayer layer;
    layer.m_values.SetPitchSet({0, 7});
    layer.m_keyframes = {KeyframeAt(30, {{ParameterId::Window, 3}}, Curve::Smooth),
                         KeyframeAt(40, {}, Curve::Linear), KeyframeAt(50, {{ParameterId::Window, 0}})};
    layer.m_keyframes[1].m_pitchSet = std::vector<double>{-12, 0};
    const ParameterTimeline timeline(layer, kMinute, kSeed, 0, false);
    EXPECT_EQ(timeline.At(29.99).m_values.Get(ParameterId::Window), 0);
    EXPECT_EQ(timeline.At(30).m_values.Get(ParameterId::Window), 3);
    EXPECT_EQ(timeline.At(49.99).m_values.Get(ParameterId::Window), 3);
    EXPECT_EQ(timeline.At(39.99).m_values.GetPitchSet(), (std::vector<double>{0, 7}));
    EXPECT_EQ(timeline.At(40).m_values.GetPitchSet(), (std::vector<double>{-12, 0}));
    EXPECT_EQ(timeline.WindowChoices(), (std::vector<int>{0, 3}));
    EXPECT_EQ(timeline.PitchSets(), (std::vector<std::vector<double>>{{0, 7}, {-12, 0}}));
}

// Out of silence and back the gain's factor moves in a straight line, silent
// below the quietest gain.
TEST(ParameterTimeline, TheGainFadesOutOfAndIntoSilenceAndIsSilentExactly)
{
    ScoreLayer layer;
    layer.m_dGainDb = -INFINITY;
    layer.m_keyframes = {GainKeyframeAt(10, 0), GainKeyframeAt(20, -INFINITY), GainKeyframeAt(30, -INFINITY)};
    const ParameterTimeline timeline(layer, kMinute, kSeed, 0, false);
    EXPECT_EQ(timeline.GainAt(0), 0.0);
    EXPECT_EQ(timeline.At(0).m_dGainDb, -INFINITY);
    EXPECT_EQ(timeline.GainAt(1e-6), 0.0);              // a factor of 1e-7, below the quietest gain
    EXPECT_NEAR(timeline.GainAt(1e-4), 1e-5, 1e-15);    // -100 dB
    EXPECT_NEAR(timeline.GainAt(5), 0.5, 1e-12);        // -6 dB halfway, not -60
    EXPECT_NEAR(timeline.GainAt(18), 0.2, 1e-12);
    EXPECT_EQ(timeline.GainAt(10), 1.0);
    EXPECT_GT(timeline.GainAt(19.999), 0.0);
    EXPECT_EQ(timeline.GainAt(20), 0.0);
    EXPECT_EQ(timeline.GainAt(25), 0.0);
    EXPECT_EQ(timeline.GainAt(kMinute), 0.0);
    const ValueBounds gain = timeline.GainBoundsDb();
    EXPECT_EQ(gain.m_dLowest, -INFINITY);
    EXPECT_EQ(gain.m_dHighest, 0.0);
}

// A step of the gain, and two keyframes at one time, move the factor over
// 10 ms along an S-curve from where it stood; the dB line itself still jumps,
// and the factor is the line's again, to the bit, once the ramp is over.
TEST(ParameterTimeline, TheGainsJumpsAreShortRampsOfItsFactor)
{
    ScoreLayer layer;
    layer.m_dGainDb = -INFINITY;
    layer.m_keyframes = {GainKeyframeAt(10, -20, Curve::Step), GainKeyframeAt(30, 0),
                         GainKeyframeAt(30, -INFINITY)};
    const ParameterTimeline timeline(layer, kMinute, kSeed, 0, false);
    constexpr double kRamp = ParameterTimeline::kGainJumpSeconds;
    EXPECT_EQ(kRamp, 0.01);
    EXPECT_EQ(timeline.GainDbAt(10), -20.0);
    EXPECT_EQ(timeline.GainAt(10), 0.0);
    // The line itself rises on from -20 dB (a factor of 0.1) towards 0 dB.
    const auto line = [&](double t) { return std::pow(10.0, timeline.GainDbAt(t) / 20.0); };
    EXPECT_NEAR(timeline.GainAt(10 + kRamp / 2), line(10 + kRamp / 2) - 0.1 / 2, 1e-12);  // half way up the S
    EXPECT_LT(timeline.GainAt(10 + kRamp / 10), 0.1 * 0.05);                          // slow to leave
    EXPECT_EQ(timeline.GainAt(10 + kRamp), line(10 + kRamp));
    double before = 0.0;
    for (double t = 10; t <= 10 + kRamp; t += kRamp / 64) {
        const double gain = timeline.GainAt(t);
        EXPECT_GE(gain, before) << t;
        EXPECT_LT(gain - before, 0.1 / 20) << t;  // no jump within it
        before = gain;
    }
    // Up the line from -20 dB to 0 dB, then straight down to silence at 30 s.
    EXPECT_NEAR(timeline.GainAt(30), 1.0, 1e-12);
    EXPECT_NEAR(timeline.GainAt(30 + kRamp / 2), 0.5, 1e-12);
    EXPECT_EQ(timeline.GainAt(30 + kRamp), 0.0);
    EXPECT_EQ(timeline.GainAt(45), 0.0);
    EXPECT_EQ(timeline.GainAt(10 - 1e-9), 0.0);
}

// Along a line and a drift, whole-number parameters only take their allowed
// values, the nearest to what they would be unrounded.
TEST(ParameterTimeline, WholeParametersAreRoundedToTheirStep)
{
    ScoreLayer layer;
    layer.m_values.Set(ParameterId::Density, 500);
    layer.m_keyframes = {KeyframeAt(kMinute, {{ParameterId::Density, 10000}, {ParameterId::GrainLength, 2000}})};
    layer.m_drift[ParameterId::GrainLength] = Drift{130, 5};
    const ParameterTimeline timeline(layer, kMinute, kSeed, 0, false);
    int distinctDensities = 0;
    double previous = -1;
    for (int i = 0; i <= 6000; ++i) {
        const double seconds = i * 0.01;
        const ParameterValues values = timeline.At(seconds).m_values;
        const double density = values.Get(ParameterId::Density);
        ASSERT_EQ(std::fmod(density - 500, 50), 0.0) << seconds;
        ASSERT_LE(std::abs(density - (500 + 9500 * seconds / kMinute)), 25.0) << seconds;  // half a step
        const double length = values.Get(ParameterId::GrainLength);
        ASSERT_EQ(std::fmod(length - 50, 25), 0.0) << seconds;
        ASSERT_TRUE(IsAllowedValue(RowOf(ParameterId::GrainLength), length)) << seconds;
        distinctDensities += density != previous;
        previous = density;
    }
    EXPECT_EQ(distinctDensities, 191);  // every allowed density from 500 to 10000 once
}

// Below the density slider's 500 a moving density takes every whole number,
// from 500 on the slider's steps of 50.
TEST(ParameterTimeline, ASparseDensityMovesByWholeGrainsBelowTheSlidersSteps)
{
    ScoreLayer layer;
    layer.m_values.Set(ParameterId::Density, 1);
    layer.m_keyframes = {KeyframeAt(kMinute, {{ParameterId::Density, 1000}})};
    const ParameterTimeline timeline(layer, kMinute, kSeed, 0, false);
    int distinctDensities = 0;
    double previous = -1;
    for (int i = 0; i <= 6000; ++i) {
        const double seconds = i * 0.01;
        const double density = timeline.At(seconds).m_values.Get(ParameterId::Density);
        ASSERT_TRUE(IsAllowedValue(RowOf(ParameterId::Density), density)) << seconds;
        ASSERT_LE(std::abs(density - (1 + 999 * seconds / kMinute)), density < 500 ? 0.5 : 25.0) << seconds;
        distinctDensities += density != previous;
        previous = density;
    }
    EXPECT_EQ(distinctDensities, 499 + 11);  // 1 to 499, then 500 to 1000 in steps of 50
}

// Pitch at 20 with a drift 6 deep: it wanders down to 14 and up against the
// top of the range, 24, and never further.
TEST(ParameterTimeline, DriftStaysWithinItsDepthAndTheRange)
{
    const ScoreLayer layer = DriftingLayer(ParameterId::Pitch, 20, {6.0, 2.0});
    const ParameterTimeline timeline(layer, 2 * kMinute, kSeed, 0, false);
    double lowest = 24;
    double highest = -24;
    for (int i = 0; i <= 2400; ++i) {
        const double pitch = PitchAt(timeline, i * 0.05);
        ASSERT_GE(pitch, 14.0) << i;
        ASSERT_LE(pitch, 24.0) << i;
        lowest = std::min(lowest, pitch);
        highest = std::max(highest, pitch);
    }
    // 60 knots uniform over ±6: some reach below 16 and some above 24.
    EXPECT_LT(lowest, 16.0);
    EXPECT_EQ(highest, 24.0);
    const ValueBounds bounds = timeline.BoundsOf(ParameterId::Pitch);
    EXPECT_EQ(bounds.m_dLowest, 14.0);
    EXPECT_EQ(bounds.m_dHighest, 24.0);
}

TEST(ParameterTimeline, DriftRepeatsWithTheSeedAndDiffersWithSeedAndLayer)
{
    ScoreLayer layer = DriftingLayer(ParameterId::ScanRange, 50, {30.0, 3.0});
    layer.m_gainDrift = Drift{6.0, 4.0};
    const ParameterTimeline first(layer, kMinute, kSeed, 2, false);
    const ParameterTimeline again(layer, kMinute, kSeed, 2, false);
    const ParameterTimeline otherSeed(layer, kMinute, kSeed + 1, 2, false);
    const ParameterTimeline otherLayer(layer, kMinute, kSeed, 3, false);
    int differentSeed = 0;
    int differentLayer = 0;
    for (int i = 0; i <= 600; ++i) {
        const double seconds = i * 0.1;
        const double scan = first.At(seconds).m_values.Get(ParameterId::ScanRange);
        ASSERT_EQ(scan, again.At(seconds).m_values.Get(ParameterId::ScanRange)) << seconds;
        ASSERT_EQ(first.GainAt(seconds), again.GainAt(seconds)) << seconds;
        differentSeed += scan != otherSeed.At(seconds).m_values.Get(ParameterId::ScanRange);
        differentLayer += first.GainAt(seconds) != otherLayer.GainAt(seconds);
    }
    // Two unrelated drifts of ±30 rounded to whole percent meet now and then.
    EXPECT_GT(differentSeed, 500);
    EXPECT_GT(differentLayer, 500);
}

// Each parameter of a layer drifts on its own: the same drift on two
// parameters with the same range gives two different paths.
TEST(ParameterTimeline, ParametersOfALayerDriftApart)
{
    ScoreLayer layer = DriftingLayer(ParameterId::ScanRange, 50, {30.0, 3.0});
    layer.m_values.Set(ParameterId::PanSpread, 50);
    layer.m_drift[ParameterId::PanSpread] = Drift{30.0, 3.0};
    const ParameterTimeline timeline(layer, kMinute, kSeed, 0, false);
    int different = 0;
    for (int i = 0; i <= 600; ++i) {
        const ParameterValues values = timeline.At(i * 0.1).m_values;
        different += values.Get(ParameterId::ScanRange) != values.Get(ParameterId::PanSpread);
    }
    EXPECT_GT(different, 500);
}

// A parameter's drift comes from the lane its row in the parameter table
// names, within its layer's lanes, not from where the row stands: a row
// added before it leaves every seeded drift as it was.
TEST(ParameterTimeline, DriftFollowsTheLaneItsRowNames)
{
    const Drift drift{3.0, 2.0};
    const ScoreLayer layer = DriftingLayer(ParameterId::Pitch, 1.5, drift);
    const int layerIndex = 2;
    const ParameterTimeline timeline(layer, kMinute, kSeed, layerIndex, false);
    const std::uint32_t lane = layerIndex * 64 + RowOf(ParameterId::Pitch).m_nDriftLane;
    const DriftNoise noise(RandomStream(kSeed, StreamPurpose::Drift, lane), drift.m_dPeriodSeconds, kMinute, false);
    for (int i = 0; i <= 600; ++i) {
        const double seconds = i * 0.1;
        ASSERT_EQ(timeline.NumberAt(ParameterId::Pitch, seconds), 1.5 + drift.m_dDepth * noise.At(seconds)) << seconds;
    }
}

TEST(ParameterTimeline, DriftInALoopMeetsItselfAtTheSeam)
{
    ScoreLayer layer = DriftingLayer(ParameterId::Pitch, 0, {3.0, 7.0});
    layer.m_gainDrift = Drift{6.0, 11.0};
    const double length = 100.0;
    const ParameterTimeline loop(layer, length, kSeed, 1, true);
    EXPECT_NEAR(PitchAt(loop, length), PitchAt(loop, 0), 1e-9);  // the rounding of the knots' times
    EXPECT_NEAR(loop.GainDbAt(length), loop.GainDbAt(0), 1e-9);
    const double h = 1e-4;
    const double slopeAtEnd = (PitchAt(loop, length) - PitchAt(loop, length - h)) / h;
    const double slopeAtStart = (PitchAt(loop, h) - PitchAt(loop, 0)) / h;
    // Both within h × the curvature (3 × 24 per period² of 100/14 s) of the slope at the seam.
    EXPECT_NEAR(slopeAtEnd, slopeAtStart, 1e-3);
    const ParameterTimeline open(layer, length, kSeed, 1, false);
    EXPECT_GT(std::abs(PitchAt(open, length) - PitchAt(open, 0)), 1e-3);  // not a matter of luck
}

TEST(ParameterTimeline, ANumberThatCanBeOffIsNeverTurnedOnOrBelowItsRangeByDrift)
{
    const ScoreLayer off = DriftingLayer(ParameterId::LowCut, 0, {100.0, 2.0});
    const ScoreLayer on = DriftingLayer(ParameterId::LowCut, 10, {100.0, 2.0});
    const ParameterTimeline offTimeline(off, kMinute, kSeed, 0, false);
    const ParameterTimeline onTimeline(on, kMinute, kSeed, 0, false);
    for (int i = 0; i <= 600; ++i) {
        ASSERT_EQ(offTimeline.At(i * 0.1).m_values.Get(ParameterId::LowCut), 0.0) << i;
        const double cut = onTimeline.At(i * 0.1).m_values.Get(ParameterId::LowCut);
        ASSERT_GE(cut, RowOf(ParameterId::LowCut).m_dMinimum) << i;
        ASSERT_LE(cut, 110.0) << i;
    }
    EXPECT_EQ(offTimeline.BoundsOf(ParameterId::LowCut).m_dHighest, 0.0);
    EXPECT_EQ(onTimeline.BoundsOf(ParameterId::LowCut).m_dLowest, RowOf(ParameterId::LowCut).m_dMinimum);
}

// Keyframes on several parameters, drift on some, a gain out of silence:
// every value At gives, sampled densely, lies within the bounds, and the
// bounds are reached.
TEST(ParameterTimeline, BoundsCoverEveryValue)
{
    ScoreLayer layer;
    layer.m_dGainDb = -INFINITY;
    layer.m_keyframes = {
        KeyframeAt(20, {{ParameterId::Density, 6000}, {ParameterId::Pitch, -7}, {ParameterId::Reverse, 30}}),
        KeyframeAt(40, {{ParameterId::Density, 1000}, {ParameterId::ScanRange, 90}}, Curve::Smooth),
        GainKeyframeAt(50, 6)};
    layer.m_drift[ParameterId::Pitch] = Drift{2.5, 3};
    layer.m_drift[ParameterId::ScanRange] = Drift{20, 5};
    layer.m_gainDrift = Drift{10, 4};
    const ParameterTimeline timeline(layer, kMinute, kSeed, 4, false);
    std::map<ParameterId, ValueBounds> seen;
    ValueBounds gainSeen{INFINITY, -INFINITY};
    for (int i = -10; i <= 6100; ++i) {
        const LayerValues values = timeline.At(i * 0.01);
        for (const ParameterRow& row : ParameterTable()) {
            if (row.m_kind != ParameterKind::Whole && row.m_kind != ParameterKind::Real)
                continue;
            const double value = values.m_values.Get(row.m_id);
            const ValueBounds bounds = timeline.BoundsOf(row.m_id);
            ASSERT_GE(value, bounds.m_dLowest) << row.m_szName << " at " << i;
            ASSERT_LE(value, bounds.m_dHighest) << row.m_szName << " at " << i;
            const auto entry = seen.try_emplace(row.m_id, ValueBounds{value, value}).first;
            entry->second = {std::min(entry->second.m_dLowest, value), std::max(entry->second.m_dHighest, value)};
        }
        gainSeen = {std::min(gainSeen.m_dLowest, values.m_dGainDb), std::max(gainSeen.m_dHighest, values.m_dGainDb)};
    }
    // Without drift the keyframes' extremes are taken exactly.
    EXPECT_EQ(seen[ParameterId::Density].m_dLowest, 1000);
    EXPECT_EQ(seen[ParameterId::Density].m_dHighest, 6000);
    EXPECT_EQ(timeline.BoundsOf(ParameterId::Density).m_dLowest, 1000);
    EXPECT_EQ(timeline.BoundsOf(ParameterId::Density).m_dHighest, 6000);
    EXPECT_EQ(timeline.BoundsOf(ParameterId::Reverse).m_dHighest, 30);
    EXPECT_EQ(timeline.BoundsOf(ParameterId::Pitch).m_dLowest, -9.5);
    EXPECT_EQ(timeline.BoundsOf(ParameterId::Pitch).m_dHighest, 2.5);
    EXPECT_GE(gainSeen.m_dLowest, timeline.GainBoundsDb().m_dLowest);
    EXPECT_LE(gainSeen.m_dHighest, timeline.GainBoundsDb().m_dHighest);
}

TEST(ParameterTimeline, ValuesIntoAHeldPlaceMatchFreshOnes)
{
    ScoreLayer layer = DriftingLayer(ParameterId::Pitch, 0, {3.0, 7.0});
    layer.m_keyframes = {KeyframeAt(20, {{ParameterId::Density, 6000}})};
    layer.m_keyframes.back().m_pitchSet = std::vector<double>{0, 3, 7, 10};
    const ParameterTimeline timeline(layer, kMinute, kSeed, 0, false);
    LayerValues held;
    for (int i = 0; i <= 60; ++i) {
        timeline.At(i, held);
        const LayerValues fresh = timeline.At(i);
        ASSERT_EQ(held.m_values, fresh.m_values) << i;
        ASSERT_EQ(held.m_dGainDb, fresh.m_dGainDb) << i;
    }
}
