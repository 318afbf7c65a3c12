// The low cut as a listener meets it: what lies well above the cutoff comes
// through untouched and unmoved, what lies well below it is gone, at the ends
// of the sound as much as in its middle.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/source/low_cut.h"
#include "tests/engine/tone_fit.h"

namespace {

constexpr double kRate = 44100.0;
constexpr double kCutoff = 20.0;
// Three seconds: whole cycles of every tone used, and a middle second that
// lies more than a second from either end.
constexpr std::size_t kFrames = 3 * 44100;
constexpr std::size_t kMiddleFirst = 44100;
constexpr std::size_t kMiddleCount = 44100;
// The ends: the first and last 100 ms, five periods of the cutoff, where a
// badly started filter rings.
constexpr std::size_t kEndFrames = 4410;

double CyclesPerFrame(double hz)
{
    return hz / kRate;
}

std::vector<StereoFrame> LowCut(std::vector<StereoFrame> sound, double cutoff = kCutoff)
{
    ApplyLowCut(sound, cutoff, kRate);
    return sound;
}

// The level of a tone after the low cut, relative to before, in the middle
// of the sound.
double GainOfTone(double hz, double cutoff = kCutoff)
{
    const std::vector<StereoFrame> before = SineFrames(kFrames, CyclesPerFrame(hz), 0.5);
    const std::vector<StereoFrame> after = LowCut(before, cutoff);
    const ToneFit in = FitTone(before, &StereoFrame::left, CyclesPerFrame(hz), kMiddleFirst, kMiddleCount);
    const ToneFit out = FitTone(after, &StereoFrame::left, CyclesPerFrame(hz), kMiddleFirst, kMiddleCount);
    return Decibels(out.m_dAmplitude, in.m_dAmplitude);
}

// The largest sample, relative to full scale, at the start, in the middle and
// at the end of a sound.
struct PeaksByPlace {
    double m_dStart;
    double m_dMiddle;
    double m_dEnd;
};

PeaksByPlace PeaksOf(const std::vector<StereoFrame>& sound)
{
    return {Decibels(PeakOf(sound, 0, kEndFrames), 1.0),
            Decibels(PeakOf(sound, kEndFrames, sound.size() - 2 * kEndFrames), 1.0),
            Decibels(PeakOf(sound, sound.size() - kEndFrames, kEndFrames), 1.0)};
}

std::vector<std::uint32_t> Bits(const std::vector<StereoFrame>& frames)
{
    std::vector<std::uint32_t> bits(2 * frames.size());
    if (!frames.empty())
        std::memcpy(bits.data(), frames.data(), bits.size() * sizeof(std::uint32_t));
    return bits;
}

}  // namespace

// 1 / (1 + (20/1000)^8) is 1 − 2.6e-14: any loss that shows at all would be
// the filter's fault, and 0.01 dB is a hundredth of the smallest change of
// level anyone hears.
TEST(LowCut, KilohertzToneComesThroughAtItsLevel)
{
    EXPECT_NEAR(GainOfTone(1000.0), 0.0, 0.01);
}

// Two and a half octaves above the cutoff the response is 1 / (1 + 5^-8):
// −1.1e-5 dB. 0.001 dB leaves room for the 32-bit rounding of the samples and
// the bilinear warping, which moves 100 Hz by a hundredth of a per cent.
TEST(LowCut, HundredHertzComesThroughAtItsLevel)
{
    EXPECT_NEAR(GainOfTone(100.0), 0.0, 0.001);
}

// At the cutoff each pass halves the power (−3.01 dB), so both together
// give −6.02 dB; an octave below, 1 / (1 + 2^8) is −48.2 dB. The bilinear
// warping at 10 to 20 Hz moves the response by far less than the 0.05 dB
// allowed, which is there for the rounding of a tone 48 dB down.
TEST(LowCut, CutoffIsHalfAmplitudeAndAnOctaveBelowIs48DecibelsDown)
{
    EXPECT_NEAR(GainOfTone(20.0), -6.0206, 0.05);
    EXPECT_NEAR(GainOfTone(10.0), -48.165, 0.05);
}

// At 2 Hz the response is (2/20)^8 = 1e-8 (−160 dB), so whatever is left is
// rounding, or a transient at an end: 60 dB down is the most either may
// leave anywhere, ends included.
TEST(LowCut, TwoHertzIsGoneEverywhere)
{
    const PeaksByPlace peaks = PeaksOf(LowCut(SineFrames(kFrames, CyclesPerFrame(2.0), 1.0, 0.7)));
    EXPECT_LT(peaks.m_dStart, -60.0);
    EXPECT_LT(peaks.m_dMiddle, -60.0);
    EXPECT_LT(peaks.m_dEnd, -60.0);
    RecordProperty("two_hertz_start_db", std::to_string(peaks.m_dStart));
    RecordProperty("two_hertz_middle_db", std::to_string(peaks.m_dMiddle));
    RecordProperty("two_hertz_end_db", std::to_string(peaks.m_dEnd));
}

// An offset of full scale is a constant: the filter's four zeros at 0 Hz
// remove it exactly, so only rounding remains; 60 dB down is the bound.
TEST(LowCut, OffsetIsGoneEverywhere)
{
    const PeaksByPlace peaks = PeaksOf(LowCut(std::vector<StereoFrame>(kFrames, StereoFrame{1.0f, -1.0f})));
    EXPECT_LT(peaks.m_dStart, -60.0);
    EXPECT_LT(peaks.m_dMiddle, -60.0);
    EXPECT_LT(peaks.m_dEnd, -60.0);
    RecordProperty("offset_start_db", std::to_string(peaks.m_dStart));
    RecordProperty("offset_middle_db", std::to_string(peaks.m_dMiddle));
}

// A zero-phase filter moves no zero crossing: the fitted phase of a 100 Hz
// tone (every crossing of the middle second, fitted at once) stays where it
// was. A thousandth of a frame is 23 ns, a hundred times finer than any
// crossing could be placed by ear or by a linear-phase filter's rounding.
TEST(LowCut, ZeroCrossingsStayWhereTheyWere)
{
    const double cycles = CyclesPerFrame(100.0);
    const std::vector<StereoFrame> before = SineFrames(kFrames, cycles, 0.5, 0.3);
    const std::vector<StereoFrame> after = LowCut(before);
    const double phaseBefore = FitTone(before, &StereoFrame::left, cycles, kMiddleFirst, kMiddleCount).m_dPhase;
    const double phaseAfter = FitTone(after, &StereoFrame::left, cycles, kMiddleFirst, kMiddleCount).m_dPhase;
    const double shiftFrames = (phaseAfter - phaseBefore) / (6.283185307179586 * cycles);
    EXPECT_LT(std::abs(shiftFrames), 0.001);
    RecordProperty("hundred_hertz_shift_frames", std::to_string(shiftFrames));
}

// A click comes out as a symmetric pulse centred where the click was: the
// forward and backward passes together respond with the filter's
// autocorrelation. The two sides match to within the 32-bit rounding of the
// pass between them, a millionth of the peak.
TEST(LowCut, ClickStaysCentred)
{
    const std::size_t centre = 22050;
    std::vector<StereoFrame> sound(2 * centre + 1, StereoFrame{0.0f, 0.0f});
    sound[centre] = {1.0f, -1.0f};
    const std::vector<StereoFrame> after = LowCut(sound);
    const double peak = std::abs(after[centre].left);
    EXPECT_GT(peak, 0.9);  // 1 minus the little energy the filter takes off (the area below 20 Hz)
    for (std::size_t k = 1; k <= centre; ++k) {
        ASSERT_NEAR(after[centre + k].left, after[centre - k].left, 1e-6 * peak) << k;
        ASSERT_NEAR(after[centre + k].right, after[centre - k].right, 1e-6 * peak) << k;
        ASSERT_LT(std::abs(after[centre + k].left), peak) << k;
    }
}

// Rumble, drift and offset below the cutoff, as a handled or windy
// recording has them, and nothing else: the sound starts and ends on a slope
// and a bend, which the filter's start takes as the past, so nothing rings at
// either end. 3 Hz lies 57 dB under the cutoff in the middle; the ends may
// keep 50 dB.
TEST(LowCut, RumbleDriftAndOffsetAreGoneAtTheEnds)
{
    std::vector<StereoFrame> sound = SineFrames(kFrames, CyclesPerFrame(3.0), 0.4, 2.0);
    AddFrames(sound, SineFrames(kFrames, CyclesPerFrame(0.2), 0.2, 0.5));
    for (StereoFrame& frame : sound) {
        frame.left += 0.1f;
        frame.right -= 0.2f;
    }
    const PeaksByPlace peaks = PeaksOf(LowCut(sound));
    EXPECT_LT(peaks.m_dStart, -50.0);
    EXPECT_LT(peaks.m_dMiddle, -50.0);
    EXPECT_LT(peaks.m_dEnd, -50.0);
    RecordProperty("rumble_start_db", std::to_string(peaks.m_dStart));
    RecordProperty("rumble_middle_db", std::to_string(peaks.m_dMiddle));
    RecordProperty("rumble_end_db", std::to_string(peaks.m_dEnd));
}

// A tone that starts and stops mid-cycle, with rumble under it. Away from the
// ends the tone is all that is left: the rumble is 57 dB down there, so
// 50 dB under the tone is the bound. At the ends the tone's own abrupt start
// and stop hold content below the cutoff, about fc / f = 1/22 of its
// amplitude (−27 dB) whatever a filter takes the sound's past to be; it rings
// for a few periods of the cutoff. 20 dB under the tone bounds it; a filter
// started from the first sample would leave an offset there as large as that
// sample.
TEST(LowCut, ToneOverRumbleIsAllThatIsLeft)
{
    const double tone = CyclesPerFrame(440.0);
    std::vector<StereoFrame> sound = SineFrames(kFrames, tone, 0.3, 1.1);
    AddFrames(sound, SineFrames(kFrames, CyclesPerFrame(3.0), 0.4, 2.0));
    const std::vector<StereoFrame> after = LowCut(sound);
    std::vector<StereoFrame> residue = SineFrames(kFrames, tone, -0.3, 1.1);
    AddFrames(residue, after);
    const PeaksByPlace peaks = PeaksOf(residue);
    const double toneLevel = Decibels(0.3, 1.0);
    EXPECT_LT(peaks.m_dStart - toneLevel, -20.0);
    EXPECT_LT(peaks.m_dMiddle - toneLevel, -50.0);
    EXPECT_LT(peaks.m_dEnd - toneLevel, -20.0);
    const double settled = Decibels(PeakOf(residue, kMiddleFirst, kMiddleCount), 1.0);
    EXPECT_LT(settled - toneLevel, -80.0);  // a second from the ends, only rounding is left
    RecordProperty("tone_start_db", std::to_string(peaks.m_dStart - toneLevel));
    RecordProperty("tone_middle_db", std::to_string(peaks.m_dMiddle - toneLevel));
    RecordProperty("tone_end_db", std::to_string(peaks.m_dEnd - toneLevel));
    RecordProperty("tone_settled_db", std::to_string(settled - toneLevel));
}

TEST(LowCut, CutoffsOutsideTheRangeAreBroughtToItsEnds)
{
    const std::vector<StereoFrame> sound = SineFrames(44100, CyclesPerFrame(7.0), 0.5);
    EXPECT_EQ(Bits(LowCut(sound, 1.0)), Bits(LowCut(sound, kLowestLowCutHz)));
    EXPECT_EQ(Bits(LowCut(sound, std::nan(""))), Bits(LowCut(sound, kLowestLowCutHz)));
    EXPECT_EQ(Bits(LowCut(sound, 1000.0)), Bits(LowCut(sound, kHighestLowCutHz)));
}

// At either end of the range the design still holds: −6.02 dB at the cutoff,
// within the same 0.05 dB as at 20 Hz.
TEST(LowCut, EveryCutoffOfTheRangeIsHalfAmplitudeAtItself)
{
    EXPECT_NEAR(GainOfTone(kHighestLowCutHz, kHighestLowCutHz), -6.0206, 0.05);
    EXPECT_NEAR(GainOfTone(kLowestLowCutHz, kLowestLowCutHz), -6.0206, 0.05);
}

// Sounds shorter than the fit, down to one frame, are high-passed without
// reading or writing past their ends; a constant one stays (nearly) silent.
TEST(LowCut, ShortSoundsLoseTheirOffset)
{
    for (const std::size_t frames : {std::size_t{0}, std::size_t{1}, std::size_t{2}, std::size_t{3}, std::size_t{4},
                                     std::size_t{100}}) {
        const std::vector<StereoFrame> after = LowCut(std::vector<StereoFrame>(frames, StereoFrame{0.5f, -0.25f}));
        ASSERT_EQ(after.size(), frames);
        if (frames > 0) {
            EXPECT_LT(PeakOf(after, 0, frames), 1e-6) << frames << " frames";  // rounding of a 0.5 offset
        }
    }
}

TEST(LowCut, RateTooLowForTheCutoffLeavesTheSoundAsItIs)
{
    const std::vector<StereoFrame> sound = SineFrames(1000, 0.01, 0.5);
    std::vector<StereoFrame> after = sound;
    ApplyLowCut(after, 100.0, 400.0);
    EXPECT_EQ(Bits(after), Bits(sound));
}
