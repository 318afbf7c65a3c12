// The bits of grain synthesis with grains that differ from one another
// (transposed, reversed, placed in the stereo field, other windows) are
// fixed: these checksums were taken from the general kernel as it was before
// its vector variants were rewritten for speed, and every kernel, thread
// count and way of reading the source (spline coefficients worked out
// beforehand or not) must repeat them.
#include <gtest/gtest.h>

#include <cstdint>
#include <cstring>
#include <limits>
#include <string>
#include <vector>

#include "engine/source/octave_levels.h"
#include "engine/source/spline_terms.h"
#include "engine/scheduling/grain_scheduler.h"
#include "engine/synthesis/grain_synthesizer.h"
#include "engine/scheduling/grain_variation_draws.h"

namespace {

// FNV-1a, 64 bits, of the samples' bit patterns.
std::uint64_t Fnv1a64(const std::vector<StereoFrame>& frames)
{
    std::vector<unsigned char> bytes(frames.size() * sizeof(StereoFrame));
    if (!frames.empty())
        std::memcpy(bytes.data(), frames.data(), bytes.size());
    std::uint64_t hash = 0xcbf29ce484222325ULL;
    for (const unsigned char byte : bytes) {
        hash ^= byte;
        hash *= 0x100000001b3ULL;
    }
    return hash;
}

// Two seconds from integer arithmetic only: a sawtooth on each channel under
// the noise of a small generator of its own.
std::vector<StereoFrame> Source()
{
    std::vector<StereoFrame> frames(2 * 44100);
    std::uint32_t state = 2024;
    auto next = [&state] {
        state = state * 1103515245u + 12345u;
        return static_cast<int>((state >> 16) & 0x1FFF) - 0x1000;
    };
    for (std::uint32_t i = 0; i < frames.size(); ++i) {
        const int left = static_cast<int>(i * 7 % 1500) * 14 - 10500 + next();
        const int right = static_cast<int>(i * 11 % 2300) * 9 - 10350 + next();
        frames[i] = {static_cast<float>(left) / 32767.0f, static_cast<float>(right) / 32767.0f};
    }
    return frames;
}

struct ChecksumCase {
    const char* m_pszName;
    GrainVariation m_variation;
    std::uint64_t m_nChecksum;
};

GrainVariation Variation(double pitch, double spread, double pan, double reverse, WindowShape window,
                         std::vector<double> pitchSet = {})
{
    GrainVariation variation;
    variation.m_dPitch = pitch;
    variation.m_dPitchSpread = spread;
    variation.m_dPanSpread = pan;
    variation.m_dReverse = reverse;
    variation.m_window = window;
    variation.m_pitchSet = std::move(pitchSet);
    return variation;
}

struct Reading {
    bool m_bTerms;  // spline coefficients worked out beforehand
    SynthesisOptions m_options;
};

// One second of output, 500 grains of 50 ms a second, read from Source()
// with its octave levels built for the highest transposition.
std::vector<StereoFrame> Render(const GrainVariation& variation, const Reading& reading)
{
    static const std::vector<StereoFrame> source = Source();
    OctaveLevels levels;
    GrainSettings ranged;
    ranged.m_variation = variation;
    const double highest = BoundsOfSettings(ranged).m_dHighestSemitones;
    EXPECT_TRUE(levels.Build(source, OctaveLevels::LevelFor(GrainVariationDraws::IncrementOf(highest)), SystemAllocate));
    SplineTerms terms;
    if (reading.m_bTerms) {
        EXPECT_TRUE(terms.Build(levels, kLargestSplineTerms, SystemAllocate));
    }

    GrainSettings settings;
    settings.m_nGrainsPerSecond = 500;
    settings.m_nGrainFrames = 2205;
    settings.m_nScanFrames = 400;
    settings.m_nSegmentGrains = 300;
    settings.m_dVolume = 0.5;
    settings.m_variation = variation;
    GrainSynthesizer synthesizer;
    synthesizer.SetSettings(settings);
    synthesizer.SetOptions(reading.m_options);
    synthesizer.SetRandomState(977);
    std::vector<StereoFrame> output(44100, StereoFrame{0.0f, 0.0f});
    EXPECT_EQ(synthesizer.Begin(levels, output.size(), reading.m_bTerms ? &terms : nullptr),
              GrainSynthesizer::Start::Ready);
    synthesizer.PlaceGrainsThrough(std::numeric_limits<std::int32_t>::max());
    synthesizer.AddPlacedGrains({output.data(), 0, output.size()});
    synthesizer.End();
    return output;
}

// The reference kernel, every batch kernel on one thread with and without
// spline coefficients worked out beforehand, and the fastest on three.
std::vector<Reading> Readings()
{
    std::vector<Reading> readings{{false, {AddKernel::Reference, 1}}};
    for (const AddKernel kernel : SupportedBatchKernels()) {
        readings.push_back({false, {kernel, 1}});
        readings.push_back({true, {kernel, 1}});
    }
    readings.push_back({true, {AddKernel::Fastest, 3}});
    return readings;
}

std::string Describe(const Reading& reading)
{
    return std::string(AddKernelName(reading.m_options.m_kernel)) + ", " +
           std::to_string(ResolveThreadCount(reading.m_options)) + " threads, " +
           (reading.m_bTerms ? "coefficients beforehand" : "coefficients as it goes");
}

const ChecksumCase kCases[] = {
    // Every grain transposed within half an octave either way, read from the
    // source and its first octave level, placed anywhere, half backwards.
    {"spread, pan, reverse", Variation(0, 12, 1, 0.5, WindowShape::Hann), 0xb9154aa1dde04277ULL},
    // Placed and reversed, never transposed: whole frames.
    {"pan, reverse", Variation(0, 0, 0.6, 0.5, WindowShape::Tukey), 0x62820b7c946fbfb8ULL},
    // Far up (the second octave level) and far down (a quarter of a frame
    // per output frame).
    {"up 19", Variation(19, 0, 0, 0.3, WindowShape::Gaussian), 0x73e0f448bcbd42cbULL},
    {"down 24", Variation(-24, 0.5, 0.2, 0, WindowShape::Decay), 0x940d6b2b0fca32b0ULL},
    // Intervals, some of them whole octaves (increments of exactly 1 on a
    // level, or 2 on the source), with a little spread.
    {"set", Variation(0, 0, 0, 0.2, WindowShape::Triangle, {0, 7, 12, -12}), 0x9d5bb2a04bf0aeaaULL},
    {"set, spread", Variation(0, 0.3, 0.4, 0, WindowShape::Swell, {-5, 0, 12}), 0x260097a156cf1159ULL},
};

}  // namespace

TEST(GeneralGrainChecksum, EveryKernelThreadCountAndReadingGivesTheFixedBits)
{
    const std::vector<Reading> readings = Readings();
    for (const ChecksumCase& test : kCases) {
        for (const Reading& reading : readings) {
            SCOPED_TRACE(std::string(test.m_pszName) + ": " + Describe(reading));
            EXPECT_EQ(Fnv1a64(Render(test.m_variation, reading)), test.m_nChecksum);
        }
    }
}
