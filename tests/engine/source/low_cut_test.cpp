// The low cut as a listener meets it: what lies well above the cutoff comes
// through untouched and unmoved, what lies well below it is gone, at the ends
// of the sound as much as in its middle.
#include <gtest/gtest.h>

#include <cmath>
#include <vector>

#include "engine/source/low_cut.h"
#include "tests/engine/tone_fit.h"

namespace {

constexpr double kRate = 44100.0;
// Three seconds: a middle second more than a second from either end, and
// ends of 100 ms (five periods of a 20 Hz cutoff) where a filter that started
// badly would ring.
constexpr std::size_t kFrames = 3 * 44100;
constexpr std::size_t kMiddleFirst = 44100;
constexpr std::size_t kMiddleCount = 44100;
constexpr std::size_t kEndFrames = 4410;

std::vector<StereoFrame> LowCut(std::vector<StereoFrame> sound, double cutoff = 20.0)
{
    ApplyLowCut(sound, cutoff, kRate);
    return sound;
}

// The level of a tone after the low cut relative to before, over the middle.
double GainOfTone(double hz, double cutoff)
{
    const std::vector<StereoFrame> before = SineFrames(kFrames, hz / kRate, 0.5);
    const std::vector<StereoFrame> after = LowCut(before, cutoff);
    return Decibels(FitTone(after, hz / kRate, kMiddleFirst, kMiddleCount).m_dAmplitude,
                    FitTone(before, hz / kRate, kMiddleFirst, kMiddleCount).m_dAmplitude);
}

// The largest sample (dB re full scale) at the start, the middle, the end.
std::vector<double> PeaksByPlace(const std::vector<StereoFrame>& sound)
{
    return {Decibels(PeakOf(sound, 0, kEndFrames), 1.0),
            Decibels(PeakOf(sound, kEndFrames, sound.size() - 2 * kEndFrames), 1.0),
            Decibels(PeakOf(sound, sound.size() - kEndFrames, kEndFrames), 1.0)};
}

struct ToneResponse {
    double m_dHz;
    double m_dCutoff;
    double m_dDecibels;
    double m_dTolerance;
};

// The squared Butterworth response 1 / (1 + (fc/f)^8):
// - 1 kHz at 20 Hz is 1 − 2.6e-14: 0.01 dB is a hundredth of the smallest
//   change of level anyone hears;
// - 100 Hz is −1.1e-5 dB: 0.001 dB leaves room for the 32-bit samples and
//   the bilinear warping, which moves 100 Hz by a hundredth of a per cent;
// - the cutoff is halved by each pass, −6.02 dB, and an octave below it
//   1 / 257 is −48.2 dB, at both ends of the range of cutoffs too: the warping
//   there moves the response by far less than the 0.05 dB allowed.
const ToneResponse kResponses[] = {
    {1000.0, 20.0, 0.0, 0.01},        {100.0, 20.0, 0.0, 0.001},   {20.0, 20.0, -6.0206, 0.05},
    {10.0, 20.0, -48.165, 0.05},      {5.0, 5.0, -6.0206, 0.05},   {200.0, 200.0, -6.0206, 0.05},
    {100.0, 200.0, -48.165, 0.05},
};

}  // namespace

TEST(LowCut, ToneLevelsFollowTheSquaredButterworthResponse)
{
    for (const ToneResponse& response : kResponses) {
        EXPECT_NEAR(GainOfTone(response.m_dHz, response.m_dCutoff), response.m_dDecibels, response.m_dTolerance)
            << response.m_dHz << " Hz at a cutoff of " << response.m_dCutoff << " Hz";
    }
}

// At 2 Hz the response is 1e-8 (−160 dB), and an offset is removed exactly by
// the filter's zeros at 0 Hz, so what is left is rounding, or a transient at
// an end. 60 dB down is the most either may leave anywhere, ends included,
// for a 2 Hz sine, a full-scale offset, and drift and rumble on an offset.
TEST(LowCut, WhatLiesFarBelowTheCutoffIsGoneEvenAtTheEnds)
{
    std::vector<StereoFrame> rumble = SineFrames(kFrames, 3.0 / kRate, 0.4, 2.0);
    AddFrames(rumble, SineFrames(kFrames, 0.2 / kRate, 0.2, 0.5));
    AddFrames(rumble, std::vector<StereoFrame>(kFrames, StereoFrame{0.1f, -0.2f}));
    const std::vector<StereoFrame> sounds[] = {SineFrames(kFrames, 2.0 / kRate, 1.0, 0.7),
                                               std::vector<StereoFrame>(kFrames, StereoFrame{1.0f, -1.0f}), rumble};
    for (const std::vector<StereoFrame>& sound : sounds) {
        for (const double peak : PeaksByPlace(LowCut(sound)))
            EXPECT_LT(peak, -60.0);
    }
}

// A tone that starts and stops mid-cycle, over rumble. Away from the ends
// the tone is all that is left: the 3 Hz rumble is 57 dB down there, so
// 50 dB under the tone bounds the rest, and a second from the ends only
// rounding is left (80 dB). At the ends the tone's own abrupt start and stop
// hold content below the cutoff, about fc / f = 1/22 of its amplitude, which
// no assumption about the sound's past removes; it rings briefly. 20 dB under
// the tone bounds it (a filter started from the first sample instead would
// leave a step as large as that sample).
TEST(LowCut, ToneOverRumbleIsAllThatIsLeft)
{
    std::vector<StereoFrame> sound = SineFrames(kFrames, 440.0 / kRate, 0.3, 1.1);
    AddFrames(sound, SineFrames(kFrames, 3.0 / kRate, 0.4, 2.0));
    std::vector<StereoFrame> residue = SineFrames(kFrames, 440.0 / kRate, -0.3, 1.1);
    AddFrames(residue, LowCut(sound));
    const std::vector<double> peaks = PeaksByPlace(residue);
    const double tone = Decibels(0.3, 1.0);
    EXPECT_LT(peaks[0] - tone, -20.0);
    EXPECT_LT(peaks[1] - tone, -50.0);
    EXPECT_LT(peaks[2] - tone, -20.0);
    EXPECT_LT(Decibels(PeakOf(residue, kMiddleFirst, kMiddleCount), 1.0) - tone, -80.0);
}

// A zero-phase filter moves no zero crossing: the fitted phase of a 100 Hz
// tone (all the crossings of the middle second at once) stays where it was.
// A thousandth of a frame is 23 ns, far finer than the ear or any grain
// placement.
TEST(LowCut, ZeroCrossingsStayWhereTheyWere)
{
    const double cycles = 100.0 / kRate;
    const std::vector<StereoFrame> before = SineFrames(kFrames, cycles, 0.5, 0.3);
    const double phaseBefore = FitTone(before, cycles, kMiddleFirst, kMiddleCount).m_dPhase;
    const double phaseAfter = FitTone(LowCut(before), cycles, kMiddleFirst, kMiddleCount).m_dPhase;
    EXPECT_LT(std::abs(phaseAfter - phaseBefore) / (6.283185307179586 * cycles), 0.001);
}

// A click comes out as a symmetric pulse centred where the click was (the
// two passes respond with the filter's autocorrelation). The two sides match
// to within the 32-bit rounding of the pass between them, a millionth of the
// peak, and the peak keeps nearly all of the click (the filter takes only
// what lies below 20 Hz).
TEST(LowCut, ClickStaysCentred)
{
    const std::size_t centre = 22050;
    std::vector<StereoFrame> sound(2 * centre + 1, StereoFrame{0.0f, 0.0f});
    sound[centre] = {1.0f, -1.0f};
    const std::vector<StereoFrame> after = LowCut(sound);
    const double peak = after[centre].left;
    EXPECT_GT(peak, 0.9);
    for (std::size_t k = 1; k <= centre; ++k) {
        ASSERT_NEAR(after[centre + k].left, after[centre - k].left, 1e-6 * peak) << k;
        ASSERT_NEAR(after[centre + k].right, after[centre - k].right, 1e-6 * peak) << k;
        ASSERT_LT(std::abs(after[centre + k].left), peak) << k;
    }
}

TEST(LowCut, CutoffsOutsideTheRangeAreBroughtToItsEnds)
{
    const std::vector<StereoFrame> sound = SineFrames(44100, 7.0 / kRate, 0.5);
    const std::vector<StereoFrame> lowest = LowCut(sound, kLowestLowCutHz);
    const std::vector<StereoFrame> highest = LowCut(sound, kHighestLowCutHz);
    const std::vector<StereoFrame> tooLow = LowCut(sound, 1.0);
    const std::vector<StereoFrame> notANumber = LowCut(sound, std::nan(""));
    const std::vector<StereoFrame> tooHigh = LowCut(sound, 1000.0);
    for (std::size_t n = 0; n < sound.size(); ++n) {
        ASSERT_EQ(tooLow[n].left, lowest[n].left);
        ASSERT_EQ(notANumber[n].left, lowest[n].left);
        ASSERT_EQ(tooHigh[n].left, highest[n].left);
    }
    std::vector<StereoFrame> unchanged = sound;
    ApplyLowCut(unchanged, 100.0, 400.0);  // a rate not above four times the cutoff
    EXPECT_EQ(unchanged[1234].left, sound[1234].left);
}

// Sounds shorter than the fit, down to one frame, stay in their bounds; an
// offset on them goes, but for the rounding of 0.5 (1e-6).
TEST(LowCut, ShortSoundsLoseTheirOffset)
{
    for (const std::size_t frames : {0, 1, 2, 3, 4, 100}) {
        const std::vector<StereoFrame> after = LowCut(std::vector<StereoFrame>(frames, StereoFrame{0.5f, -0.25f}));
        EXPECT_LT(PeakOf(after, 0, frames), 1e-6) << frames << " frames";
    }
}
