// The peak meter follows peaks at once, falls at its rate, holds its mark for
// the hold time; short-term loudness reads the reference levels of EBU R128.
#include <gtest/gtest.h>

#include <cmath>

#include "analysis/peak_meter.h"
#include "analysis/short_term_loudness.h"
#include "tests/analysis/analysis_signals.h"

TEST(PeakMeter, RisesAtOnceFallsAtItsRateAndHoldsItsMark)
{
    PeakMeter meter;  // holds 1.5 s, falls 20 dB a second
    const std::vector<StereoFrame> burst = Sine(1000.0, 0.5f, 4410);
    meter.OnStretch(burst.data(), burst.size());
    EXPECT_NEAR(meter.GetLevel(0), 0.5f, 0.001f);
    EXPECT_NEAR(meter.GetHeldPeak(1), 0.5f, 0.001f);

    const std::vector<StereoFrame> silence(44100, StereoFrame{0.0f, 0.0f});
    meter.OnStretch(silence.data(), silence.size());
    // One second later the bar is 20 dB lower; the mark still holds.
    EXPECT_NEAR(AmplitudeToDb(meter.GetLevel(0)), AmplitudeToDb(0.5f) - 20.0f, 0.2f);
    EXPECT_NEAR(meter.GetHeldPeak(0), 0.5f, 0.001f);

    meter.OnStretch(silence.data(), silence.size());
    // Half a second past its hold, the mark has fallen 10 dB.
    EXPECT_NEAR(AmplitudeToDb(meter.GetHeldPeak(0)), AmplitudeToDb(0.5f) - 10.0f, 0.2f);
    EXPECT_FALSE(meter.IsOver());
}

TEST(PeakMeter, ReadingsDoNotDependOnHowTheSoundIsCutIntoStretches)
{
    const std::vector<StereoFrame> noise = Noise(0.9f, 50000, 3);
    PeakMeter whole;
    whole.OnStretch(noise.data(), noise.size());
    PeakMeter pieces;
    FeedInPieces(pieces, noise, {1, 100, 4097});
    EXPECT_EQ(whole.GetLevel(0), pieces.GetLevel(0));
    EXPECT_EQ(whole.GetHeldPeak(1), pieces.GetHeldPeak(1));
}

TEST(PeakMeter, ASampleBeyondFullScaleLightsOverUntilCleared)
{
    PeakMeter meter;
    const StereoFrame over{0.2f, -1.2f};
    meter.OnStretch(&over, 1);
    EXPECT_TRUE(meter.IsOver());
    EXPECT_NEAR(AmplitudeToDb(meter.GetLevel(1)), 1.58f, 0.01f);
    meter.ClearOver();
    EXPECT_FALSE(meter.IsOver());
    meter.Reset();
    EXPECT_EQ(meter.GetHeldPeak(1), 0.0f);
    EXPECT_EQ(AmplitudeToDb(0.0f), -120.0f);
}

TEST(ShortTermLoudness, AFullScaleSineAt1kHzInBothChannelsReads0Lufs)
{
    // EBU Tech 3341: a 1 kHz sine at 0 dBFS in one channel reads -3.01 LUFS,
    // so in both channels 0 LUFS; 20 dB quieter reads 20 LU lower.
    ShortTermLoudness meter;
    const std::vector<StereoFrame> loud = Sine(1000.0, 1.0f, 4 * 44100);
    meter.OnStretch(loud.data(), loud.size());
    EXPECT_NEAR(meter.GetLoudness(), 0.0, 0.1);

    const std::vector<StereoFrame> quiet = Sine(1000.0, 0.1f, 4 * 44100);
    FeedInPieces(meter, quiet, {1000, 1, 37});
    EXPECT_NEAR(meter.GetLoudness(), -20.0, 0.1);
}

TEST(ShortTermLoudness, SilenceAndAResetReadMinusInfinity)
{
    ShortTermLoudness meter;
    const std::vector<StereoFrame> loud = Sine(1000.0, 1.0f, 44100);
    meter.OnStretch(loud.data(), loud.size());
    // One second of sound in a 3 s window: 4.8 LU below the sound's own level.
    EXPECT_NEAR(meter.GetLoudness(), 10.0 * std::log10(1.0 / 3.0), 0.2);
    meter.Reset();
    EXPECT_TRUE(std::isinf(meter.GetLoudness())) << meter.GetLoudness();
    EXPECT_LT(meter.GetLoudness(), 0.0);
}
