// A layer's shaping after its grains: the cuts' slopes, cut-offs that move
// without clicks, the pan's balance, width from the decorrelator, and the
// same bits however the sound comes in pieces.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstdint>
#include <numbers>
#include <vector>

#include "engine/shaping/layer_shaping.h"

namespace {

constexpr double kRate = 44100.0;

std::vector<StereoFrame> Sine(double hz, std::size_t frames, double level = 0.5)
{
    std::vector<StereoFrame> sound(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const auto value = static_cast<float>(level * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(i) / kRate));
        sound[i] = {value, value};
    }
    return sound;
}

// The same noise on both channels, as the middle of thousands of grains.
std::vector<StereoFrame> Noise(std::size_t frames)
{
    std::vector<StereoFrame> sound(frames);
    std::uint32_t state = 12345;
    for (StereoFrame& frame : sound) {
        state = state * 1664525u + 1013904223u;
        const float value = static_cast<float>(state >> 8) / 16777216.0f - 0.5f;
        frame = {value, value};
    }
    return sound;
}

double Rms(const std::vector<StereoFrame>& sound, std::size_t first, bool right = false)
{
    double sum = 0.0;
    for (std::size_t i = first; i < sound.size(); ++i) {
        const double value = right ? sound[i].right : sound[i].left;
        sum += value * value;
    }
    return std::sqrt(sum / static_cast<double>(sound.size() - first));
}

double Correlation(const std::vector<StereoFrame>& sound)
{
    double lr = 0.0, ll = 0.0, rr = 0.0;
    for (const StereoFrame& frame : sound) {
        lr += static_cast<double>(frame.left) * frame.right;
        ll += static_cast<double>(frame.left) * frame.left;
        rr += static_cast<double>(frame.right) * frame.right;
    }
    return lr / std::sqrt(ll * rr);
}

ShapingPlan Plan(ShapingValues values)
{
    ShapingPlan plan;
    plan.m_bPan = values.m_dPan != 0.0;
    plan.m_bWidth = values.m_dWidth > 0.0;
    plan.m_bHighCut = values.m_dHighCutHz < 20000.0;
    plan.m_bLowCut = values.m_dLowCutHz > 0.0;
    plan.m_valuesAt = [values](std::uint64_t) { return values; };
    return plan;
}

std::vector<StereoFrame> Shaped(std::vector<StereoFrame> sound, const ShapingPlan& plan, std::size_t piece = 65536)
{
    LayerShaping shaping(plan);
    for (std::size_t first = 0; first < sound.size(); first += piece) {
        const std::size_t count = std::min(piece, sound.size() - first);
        shaping.Process(std::span(sound).subspan(first, count), first);
    }
    return sound;
}

// The level of a tone through a cut, in dB, after the filter has settled.
double ToneGainDb(double hz, ShapingValues values, int slopeDb)
{
    ShapingPlan plan = Plan(values);
    plan.m_nSlopeDb = slopeDb;
    const std::vector<StereoFrame> tone = Sine(hz, 22050);
    return 20.0 * std::log10(Rms(Shaped(tone, plan), 4410) / Rms(tone, 4410));
}

}  // namespace

// Butterworth cuts: −3 dB at the cut-off, and two octaves beyond it about 24
// dB down at 12 dB per octave and 48 at 24; an octave inside, nearly nothing.
TEST(LayerShaping, CutsFallAtTheirSlopes)
{
    for (const int slope : {12, 24}) {
        SCOPED_TRACE(slope);
        const ShapingValues high{.m_dHighCutHz = 1000.0};
        EXPECT_NEAR(ToneGainDb(1000.0, high, slope), -3.0, 0.2);
        EXPECT_NEAR(ToneGainDb(4000.0, high, slope), -2.0 * slope, 1.5);
        EXPECT_GT(ToneGainDb(500.0, high, slope), -0.3 * slope / 12.0);
        const ShapingValues low{.m_dLowCutHz = 400.0};
        EXPECT_NEAR(ToneGainDb(400.0, low, slope), -3.0, 0.2);
        EXPECT_NEAR(ToneGainDb(100.0, low, slope), -2.0 * slope, 1.5);
        EXPECT_GT(ToneGainDb(800.0, low, slope), -0.3 * slope / 12.0);
    }
}

// A high cut swept from 20 kHz down to 300 Hz and back in a second over a
// 150 Hz tone, and a pan swept across, leave no step larger than the tone's
// own at the pan's loudest side (√2) with a little room for the cut's
// overshoot: a zipper or a click would step by a good part of the tone's
// height, many times more.
TEST(LayerShaping, MovingValuesMakeNoStepsLargerThanTheSoundsOwn)
{
    for (const int slope : {12, 24}) {
        SCOPED_TRACE(slope);
        ShapingPlan plan;
        plan.m_bHighCut = plan.m_bLowCut = plan.m_bPan = true;
        plan.m_nSlopeDb = slope;
        plan.m_valuesAt = [](std::uint64_t frame) {
            const double t = static_cast<double>(frame) / kRate;
            ShapingValues values;
            values.m_dHighCutHz = 300.0 + 19700.0 * std::fabs(1.0 - 2.0 * std::min(t, 1.0));
            values.m_dLowCutHz = 40.0 * std::min(t, 1.0);
            values.m_dPan = -100.0 + 200.0 * std::min(t, 1.0);
            return values;
        };
        const std::vector<StereoFrame> tone = Sine(150.0, 44100);
        const std::vector<StereoFrame> shaped = Shaped(tone, plan, 1000);
        double toneStep = 0.0;
        for (std::size_t i = 1; i < tone.size(); ++i)
            toneStep = std::max(toneStep, static_cast<double>(std::fabs(tone[i].left - tone[i - 1].left)));
        for (std::size_t i = 1; i < shaped.size(); ++i) {
            ASSERT_LE(std::fabs(shaped[i].left - shaped[i - 1].left), 1.7 * toneStep) << i;
            ASSERT_LE(std::fabs(shaped[i].right - shaped[i - 1].right), 1.7 * toneStep) << i;
        }
    }
}

// Equal power: hard left silences the right, hard right the left (each side
// then √2 louder), halfway keeps the sum of the squares.
TEST(LayerShaping, PanPlacesTheSoundWithEqualPower)
{
    const std::vector<StereoFrame> tone = Sine(440.0, 4410);
    const std::vector<StereoFrame> left = Shaped(tone, Plan({.m_dPan = -100.0}));
    EXPECT_NEAR(Rms(left, 0, true), 0.0, 1e-7);
    EXPECT_NEAR(Rms(left, 0), Rms(tone, 0) * std::numbers::sqrt2, 1e-6);
    const std::vector<StereoFrame> right = Shaped(tone, Plan({.m_dPan = 100.0}));
    EXPECT_NEAR(Rms(right, 0), 0.0, 1e-7);
    const std::vector<StereoFrame> half = Shaped(tone, Plan({.m_dPan = 50.0}));
    const double power = Rms(half, 0) * Rms(half, 0) + Rms(half, 0, true) * Rms(half, 0, true);
    EXPECT_NEAR(power, 2.0 * Rms(tone, 0) * Rms(tone, 0), 1e-6);
    EXPECT_LT(Rms(half, 0), Rms(half, 0, true));
}

// Two alike channels come apart as the width grows, smoothly, as (1 − s²) /
// (1 + s²) with s = 0.8 × the width, to at most 0.3 at full width, with
// their level kept.
TEST(LayerShaping, WidthDecorrelatesAlikeChannelsSmoothly)
{
    const std::vector<StereoFrame> noise = Noise(44100);
    double previous = 1.0;
    for (const double width : {0.25, 0.5, 0.75, 1.0}) {
        SCOPED_TRACE(width);
        const std::vector<StereoFrame> wide = Shaped(noise, Plan({.m_dWidth = width}));
        const double correlation = Correlation(wide);
        const double share = 0.8 * width;
        EXPECT_NEAR(correlation, (1.0 - share * share) / (1.0 + share * share), 0.05);
        EXPECT_LT(correlation, previous - 0.05);
        previous = correlation;
        EXPECT_NEAR(Rms(wide, 0), Rms(noise, 0), 0.05 * Rms(noise, 0));
    }
    EXPECT_LE(previous, 0.3);
}

// A moving shaping gives the same bits in pieces of 7 frames as in one.
TEST(LayerShaping, PiecesDoNotChangeABit)
{
    ShapingPlan plan;
    plan.m_bHighCut = plan.m_bLowCut = plan.m_bPan = plan.m_bWidth = true;
    plan.m_nSlopeDb = 24;
    plan.m_valuesAt = [](std::uint64_t frame) {
        const double t = static_cast<double>(frame) / 8820.0;
        return ShapingValues{.m_dPan = 60.0 * t - 30.0, .m_dWidth = t, .m_dHighCutHz = 8000.0 - 6000.0 * t,
                             .m_dLowCutHz = 100.0 * t};
    };
    const std::vector<StereoFrame> noise = Noise(8820);
    const std::vector<StereoFrame> whole = Shaped(noise, plan);
    const std::vector<StereoFrame> pieces = Shaped(noise, plan, 7);
    for (std::size_t i = 0; i < noise.size(); ++i) {
        ASSERT_EQ(whole[i].left, pieces[i].left) << i;
        ASSERT_EQ(whole[i].right, pieces[i].right) << i;
    }
}
