// The survey of a source's loudness that grains take their levels from,
// judged by libebur128: the K-weighted energy of each 100 ms block as the
// library measures it, on a sound whose level and spectrum change.
#include <gtest/gtest.h>

#include <cmath>
#include <cstdint>
#include <vector>

#include "engine/source/source_loudness.h"
#include "measurement/block_energy_survey.h"

namespace {

// Noise from a fixed generator, its level stepping every 0.35 s (across block
// boundaries), with a low tone on the left in the middle.
std::vector<StereoFrame> SteppingSound()
{
    std::vector<StereoFrame> frames(44100 * 3);
    std::uint32_t state = 12345;
    const auto noise = [&state] {
        state = state * 1664525u + 1013904223u;
        return static_cast<float>(static_cast<double>(state >> 8) / 8388608.0 - 1.0);
    };
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const float level = (i / 15435) % 2 == 0 ? 0.5f : 0.02f;
        const double t = static_cast<double>(i) / 44100.0;
        const float tone = i > 44100 && i < 88200 ? static_cast<float>(0.3 * std::sin(2 * M_PI * 60 * t)) : 0.0f;
        frames[i] = {level * noise() + tone, level * noise()};
    }
    return frames;
}

}  // namespace

TEST(SourceLoudness, EachBlockHasTheEnergyLibebur128Measures)
{
    const std::vector<StereoFrame> sound = SteppingSound();
    const SourceLoudness survey(sound);
    BlockEnergySurvey reference;
    reference.Add(sound, 0);
    const std::vector<float> energies = reference.TakeEnergies();
    ASSERT_EQ(survey.Blocks(), energies.size());
    for (std::size_t b = 0; b < energies.size(); ++b)
        EXPECT_NEAR(LoudnessOfMeanSquare(survey.BlockEnergy(b)), LoudnessOfMeanSquare(energies[b]), 0.01) << b;
}

// A stretch's energy spreads each block's evenly over its frames; weighted by
// a Hann window, a stretch of one block's level has that level.
TEST(SourceLoudness, StretchesWeighTheirBlocksByTheFramesTheyCover)
{
    const std::vector<StereoFrame> sound = SteppingSound();
    const SourceLoudness survey(sound);
    const double a = survey.BlockEnergy(3);
    const double b = survey.BlockEnergy(4);
    EXPECT_NEAR(survey.MeanEnergy(3 * 4410.0, 4 * 4410.0), a, a * 1e-12);
    EXPECT_NEAR(survey.MeanEnergy(3.5 * 4410.0, 4.5 * 4410.0), (a + b) / 2, (a + b) * 1e-12);
    EXPECT_NEAR(survey.HannEnergy(3 * 4410.0, 4 * 4410.0), a, a * 1e-9);
    // Weighted towards its middle: a window across two blocks, a quarter in
    // the first, takes less of it than the plain mean does.
    const double weighted = survey.HannEnergy(3.75 * 4410.0, 4.75 * 4410.0);
    const double plain = survey.MeanEnergy(3.75 * 4410.0, 4.75 * 4410.0);
    EXPECT_LT(std::fabs(weighted - b), std::fabs(plain - b));
    EXPECT_EQ(survey.MeanEnergy(10.0, 10.0), 0.0);
}
