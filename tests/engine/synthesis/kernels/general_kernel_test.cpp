// The general kernel: the same bits from every variant and however a grain is
// cut, the source read between its frames as the Catmull-Rom spline through
// them, and at the source's own speed what the plain kernel adds.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <random>
#include <utility>
#include <vector>

#include "engine/source/octave_levels.h"
#include "engine/source/spline_terms.h"
#include "engine/synthesis/kernels/add_kernel.h"
#include "engine/scheduling/envelope_shapes.h"
#include "engine/synthesis/kernels/general_kernel.h"
#include "engine/synthesis/kernels/general_kernel_stretch.h"
#include "engine/scheduling/window_shape.h"

namespace {

std::vector<StereoFrame> Noise(std::size_t frames, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> sample(-1.0f, 1.0f);
    std::vector<StereoFrame> noise(frames);
    for (StereoFrame& frame : noise)
        frame = {sample(random), sample(random)};
    return noise;
}

bool SameBits(const std::vector<StereoFrame>& a, const std::vector<StereoFrame>& b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size() * sizeof(StereoFrame)) == 0;
}

// The window of shape for grains of frames frames, kept for the test's run
// (its gains stay where they are as the list grows).
const ShapedWindow& Window(WindowShape shape, std::int32_t frames)
{
    static std::vector<ShapedWindow> windows;
    windows.push_back(*ShapedWindow::Make(shape, frames, SystemAllocate));
    return windows.back();
}

GeneralGrain Grain(const std::vector<StereoFrame>& source, double first, double increment, std::int32_t frames,
                   WindowShape shape = WindowShape::Hann)
{
    GeneralGrain grain;
    grain.m_pSource = source.data();
    grain.m_nSourceFrames = static_cast<std::int64_t>(source.size());
    grain.m_dFirstRead = first;
    grain.m_dIncrement = increment;
    grain.m_fGainLeft = 0.7f;
    grain.m_fGainRight = 0.3f;
    const ShapedWindow& window = Window(shape, frames);
    grain.m_pWindow = window.Data();
    grain.m_pPairWindow = window.PairData();
    return grain;
}

std::vector<GeneralKernelFunction> Variants()
{
    std::vector<GeneralKernelFunction> variants;
    for (const AddKernel kernel : SupportedBatchKernels())
        variants.push_back(GeneralKernelOfVectorUnit(kernel));
    return variants;
}

}  // namespace

// Grains up and down, backwards, from fractional starts, reaching both ends of
// the source (where its first and last frames stand in for those beyond),
// with every window shape, its gains paired or not: each variant gives the
// portable kernel's bits.
TEST(GeneralKernel, EveryVariantGivesTheSameBits)
{
    const std::vector<StereoFrame> source = Noise(4000, 1);
    const std::vector<StereoFrame> start = Noise(1500, 2);
    struct Case {
        double m_dFirst;
        double m_dIncrement;
    };
    // Increments up to 1 (what octave levels leave a grain) and beyond (a
    // transposition past the highest level), frames near both ends.
    const Case cases[] = {{100.25, 1.0}, {0.0, 1.7}, {3999.0, -2.5}, {10.5, 0.37}, {3998.9, -1.0}, {0.3, 0.999},
                          {2000.7, -0.61}, {5.0, 0.0}};
    for (const WindowShape shape : AllWindowShapes()) {
        for (const Case& test : cases) {
            std::vector<StereoFrame> expected = start;
            const std::int32_t frames = 1500;
            const double lastRead = test.m_dFirst + (frames - 1) * test.m_dIncrement;
            const double usable = std::clamp(lastRead, 0.0, 3999.0);
            const double increment = (usable - test.m_dFirst) / (frames - 1);
            GeneralGrain grain = Grain(source, test.m_dFirst, increment, frames, shape);
            AddGeneralGrainPortable(expected.data(), grain, 0, frames);
            for (const bool paired : {true, false}) {
                if (!paired)
                    grain.m_pPairWindow = nullptr;
                for (const GeneralKernelFunction variant : Variants()) {
                    std::vector<StereoFrame> actual = start;
                    variant(actual.data(), grain, 0, frames);
                    ASSERT_TRUE(SameBits(actual, expected))
                        << WindowShapeName(shape) << " from " << test.m_dFirst << (paired ? ", paired gains" : "");
                }
            }
        }
    }
}

// Spline coefficients worked out beforehand give the bits of those worked out
// at every frame, including where the source's ends clamp the neighbours.
TEST(GeneralKernel, CoefficientsWorkedOutBeforehandGiveTheSameBits)
{
    const std::vector<StereoFrame> source = Noise(4000, 9);
    const OctaveLevels levels(source);
    SplineTerms terms;
    ASSERT_TRUE(terms.Build(levels, 1 << 20, SystemAllocate));
    ASSERT_TRUE(terms.IsBuilt());
    const std::vector<StereoFrame> start = Noise(1500, 10);
    for (const auto& [first, increment] : {std::pair{0.25, 0.99}, {3999.0, -0.8}, {1000.5, 0.5}, {2.0, 1.6}}) {
        GeneralGrain grain = Grain(source, first, increment, 1500, WindowShape::Gaussian);
        std::vector<StereoFrame> expected = start;
        AddGeneralGrainPortable(expected.data(), grain, 0, 1500);
        for (int which = 0; which < 3; ++which)
            grain.m_pTerms[which] = terms.Terms(0, which);
        for (const GeneralKernelFunction variant : Variants()) {
            std::vector<StereoFrame> actual = start;
            variant(actual.data(), grain, 0, 1500);
            ASSERT_TRUE(SameBits(actual, expected)) << "from " << first;
        }
    }
    // Beyond their memory limit none are worked out, and grains go without.
    SplineTerms tooLarge;
    ASSERT_TRUE(tooLarge.Build(levels, 1000, SystemAllocate));
    EXPECT_FALSE(tooLarge.IsBuilt());
    EXPECT_EQ(tooLarge.Terms(0, 0), nullptr);
}

// Grains placed or reversed but not transposed read whole frames: every
// variant, forwards and backwards up to both ends of the source, reads the
// frames themselves.
TEST(GeneralKernel, WholeFramesAreReadAsTheyAre)
{
    const std::vector<StereoFrame> source = Noise(3000, 7);
    const std::vector<StereoFrame> start = Noise(1500, 8);
    for (const auto& [first, increment] : {std::pair{0.0, 1.0}, {1500.0, 1.0}, {2999.0, -1.0}, {1498.0, -1.0}}) {
        GeneralGrain grain = Grain(source, first, increment, 1500, WindowShape::Triangle);
        grain.m_bWholeFrames = true;
        std::vector<StereoFrame> expected = start;
        AddGeneralGrainPortable(expected.data(), grain, 0, 1500);
        for (int j = 0; j < 1500; j += 97) {
            const StereoFrame& read = source[static_cast<std::size_t>(first + j * increment)];
            const float w = grain.m_pWindow[j];
            ASSERT_EQ(expected[j].left, start[j].left + read.left * (w * grain.m_fGainLeft)) << j;
        }
        for (const GeneralKernelFunction variant : Variants()) {
            std::vector<StereoFrame> actual = start;
            variant(actual.data(), grain, 0, 1500);
            ASSERT_TRUE(SameBits(actual, expected)) << "from " << first;
        }
    }
}

// A grain added in pieces (as tiles and windows cut it) gives the bits of one
// call: each frame depends on its index in the grain alone.
TEST(GeneralKernel, PiecesGiveTheBitsOfOneCall)
{
    const std::vector<StereoFrame> source = Noise(9000, 3);
    const GeneralGrain grain = Grain(source, 17.375, 2.3, 3000, WindowShape::Decay);
    std::vector<StereoFrame> whole = Noise(3000, 4);
    std::vector<StereoFrame> pieces = whole;
    AddGeneralGrainPortable(whole.data(), grain, 0, 3000);
    for (const GeneralKernelFunction variant : Variants()) {
        std::vector<StereoFrame> cut = pieces;
        for (const auto& [first, end] : {std::pair{0, 1}, {1, 512}, {512, 513}, {513, 2047}, {2047, 3000}})
            variant(cut.data() + first, grain, first, end - first);
        ASSERT_TRUE(SameBits(cut, whole));
    }
}

// Pieces of one to nine frames (a vector step and its last frames through
// masks), of grains read whole or between frames, slowly and fast, either
// way, up to both ends of the source, with and without coefficients worked
// out beforehand and with the frames for vector steps worked out for the
// whole grain or for each piece: every variant gives the bits of one call of
// the portable kernel.
TEST(GeneralKernel, PiecesOfEveryLengthGiveTheBitsOfOneCall)
{
    const std::vector<StereoFrame> source = Noise(3000, 11);
    const OctaveLevels levels(source);
    SplineTerms terms;
    ASSERT_TRUE(terms.Build(levels, 1 << 20, SystemAllocate));
    constexpr std::int32_t kFrames = 700;
    struct Case {
        double m_dFirst;
        double m_dIncrement;
        bool m_bWhole;
    };
    const Case cases[] = {{100.0, 1.0, true},  {2999.0, -1.0, true}, {2.0, 1.0, true},   {10.5, 1.0, false},
                          {0.25, 0.73, false}, {2998.5, -0.61, false}, {5.75, 1.3, false}, {2990.0, -1.9, false},
                          {2295.0, 0.999, false}};
    for (const Case& test : cases) {
        for (const bool withTerms : {false, true}) {
            GeneralGrain grain = Grain(source, test.m_dFirst, test.m_dIncrement, kFrames, WindowShape::Tukey);
            grain.m_bWholeFrames = test.m_bWhole;
            for (int which = 0; withTerms && which < 3; ++which)
                grain.m_pTerms[which] = terms.Terms(0, which);
            const std::vector<StereoFrame> start = Noise(kFrames, 12);
            std::vector<StereoFrame> expected = start;
            AddGeneralGrainPortable(expected.data(), grain, 0, kFrames);
            for (const bool prepared : {false, true}) {
                if (prepared)
                    PrepareVectorFrames(grain, kFrames);
                for (const GeneralKernelFunction variant : Variants()) {
                    std::vector<StereoFrame> cut = start;
                    for (std::int32_t first = 0, length = 1; first < kFrames; first += length, length = length % 9 + 1)
                        variant(cut.data() + first, grain, first, std::min(length, kFrames - first));
                    ASSERT_TRUE(SameBits(cut, expected))
                        << "from " << test.m_dFirst << " by " << test.m_dIncrement << (withTerms ? ", terms" : "")
                        << (prepared ? ", prepared" : "");
                }
            }
        }
    }
}

// Pieces of 17 to 40 frames (four vector steps at once, then zero to three
// steps one at a time, then zero to three last frames), of grains read
// between frames slowly and fast, either way, with and without coefficients
// worked out beforehand: every variant gives the bits of one call of the
// portable kernel.
TEST(GeneralKernel, PiecesAroundFourStepsAtOnceGiveTheBitsOfOneCall)
{
    const std::vector<StereoFrame> source = Noise(4000, 31);
    const OctaveLevels levels(source);
    SplineTerms terms;
    ASSERT_TRUE(terms.Build(levels, 1 << 20, SystemAllocate));
    constexpr std::int32_t kFrames = 1200;
    const std::pair<double, double> cases[] = {{20.25, 0.83}, {3980.5, -0.97}, {11.0, 1.61}, {3990.75, -2.2}};
    for (const auto& [firstRead, increment] : cases) {
        for (const bool withTerms : {false, true}) {
            GeneralGrain grain = Grain(source, firstRead, increment, kFrames, WindowShape::Hann);
            for (int which = 0; withTerms && which < 3; ++which)
                grain.m_pTerms[which] = terms.Terms(0, which);
            const std::vector<StereoFrame> start = Noise(kFrames, 32);
            std::vector<StereoFrame> expected = start;
            AddGeneralGrainPortable(expected.data(), grain, 0, kFrames);
            for (const GeneralKernelFunction variant : Variants()) {
                std::vector<StereoFrame> cut = start;
                std::int32_t length = 17;
                for (std::int32_t first = 0; first < kFrames; first += length, length = length == 40 ? 17 : length + 1)
                    variant(cut.data() + first, grain, first, std::min(length, kFrames - first));
                ASSERT_TRUE(SameBits(cut, expected))
                    << "from " << firstRead << " by " << increment << (withTerms ? ", terms" : "");
            }
        }
    }
}

// Grains read at most 0.999 frames per frame from coefficients worked out
// beforehand, as transposed grains mostly are (each step's reads fit one load
// of eight frames): random starts, increments either way up to that bound,
// window gains paired or not. Every variant gives the portable kernel's bits.
TEST(GeneralKernel, NarrowReadsFromCoefficientsGiveTheSameBits)
{
    const std::vector<StereoFrame> source = Noise(6000, 21);
    const OctaveLevels levels(source);
    SplineTerms terms;
    ASSERT_TRUE(terms.Build(levels, 1 << 20, SystemAllocate));
    constexpr std::int32_t kFrames = 900;
    std::mt19937 random(22);
    std::uniform_real_distribution<double> place(0.0, 1.0);
    std::uniform_real_distribution<double> speed(0.5, 0.999);
    const std::vector<StereoFrame> before = Noise(kFrames, 23);
    for (int trial = 0; trial < 60; ++trial) {
        // The bound itself, then random increments, every other one backwards;
        // starts anywhere the reads stay on the source, up to both its ends.
        const double magnitude = trial < 2 ? 0.999 : speed(random);
        const double increment = trial % 2 == 0 ? magnitude : -magnitude;
        const double span = (kFrames - 1) * magnitude;
        const double lowest = place(random) * (5999.0 - span);
        const double firstRead = increment > 0.0 ? lowest : lowest + span;
        GeneralGrain grain = Grain(source, firstRead, increment, kFrames, WindowShape::Hann);
        for (int which = 0; which < 3; ++which)
            grain.m_pTerms[which] = terms.Terms(0, which);
        std::vector<StereoFrame> expected = before;
        AddGeneralGrainPortable(expected.data(), grain, 0, kFrames);
        if (trial % 3 == 0)
            grain.m_pPairWindow = nullptr;
        for (const GeneralKernelFunction variant : Variants()) {
            std::vector<StereoFrame> actual = before;
            variant(actual.data(), grain, 0, kFrames);
            ASSERT_TRUE(SameBits(actual, expected))
                << "from " << grain.m_dFirstRead << " by " << increment << (grain.m_pPairWindow ? ", paired" : "");
        }
    }
}

// Catmull-Rom passes through every frame and follows any straight line
// exactly, so a ramp read at any fraction comes back as the ramp; a flat
// window table (gain 1) shows the samples themselves.
TEST(GeneralKernel, ReadsBetweenFramesOnTheSplineThroughThem)
{
    std::vector<StereoFrame> ramp(64);
    for (std::size_t i = 0; i < ramp.size(); ++i)
        ramp[i] = {static_cast<float>(i) * 0.01f, -static_cast<float>(i) * 0.02f};
    const std::vector<float> flat(40, 1.0f);
    GeneralGrain grain = Grain(ramp, 3.25, 0.5, 40);
    grain.m_pWindow = flat.data();
    grain.m_fGainLeft = 1.0f;
    grain.m_fGainRight = 1.0f;
    std::vector<StereoFrame> output(40, StereoFrame{0.0f, 0.0f});
    AddGeneralGrainPortable(output.data(), grain, 0, 40);
    for (int j = 0; j < 40; ++j) {
        const double x = 3.25 + 0.5 * j;
        EXPECT_NEAR(output[j].left, 0.01 * x, 1e-6) << j;
        EXPECT_NEAR(output[j].right, -0.02 * x, 1e-6) << j;
    }
    // At whole positions the spline is the frame itself, to the bit.
    grain.m_dFirstRead = 5.0;
    grain.m_dIncrement = 1.0;
    std::vector<StereoFrame> exact(10, StereoFrame{0.0f, 0.0f});
    AddGeneralGrainPortable(exact.data(), grain, 0, 10);
    for (int j = 0; j < 10; ++j)
        EXPECT_EQ(exact[j].left, ramp[5 + j].left) << j;
}

// At the source's own speed, with the Hann window and the volume on both
// channels, the general kernel adds what the plain kernel adds, up to its
// rounding in 32 bits (a few units in the last place of samples below 1).
TEST(GeneralKernel, AtTheSourcesSpeedItAddsWhatThePlainKernelAdds)
{
    constexpr std::int32_t kFrames = 3307;
    const std::vector<StereoFrame> source = Noise(5000, 5);
    std::vector<float> window(kFrames);
    for (std::int32_t i = 0; i < kFrames; ++i)
        window[static_cast<std::size_t>(i)] = static_cast<float>(GrainWindowGain(static_cast<std::uint32_t>(i), kFrames));
    std::vector<StereoFrame> plain(kFrames, StereoFrame{0.0f, 0.0f});
    AddKernelReference(plain.data(), source.data() + 700, window.data(), 0.5f, kFrames);
    GeneralGrain grain = Grain(source, 700.0, 1.0, kFrames);
    grain.m_fGainLeft = 0.5f;
    grain.m_fGainRight = 0.5f;
    std::vector<StereoFrame> general(kFrames, StereoFrame{0.0f, 0.0f});
    AddGeneralGrainPortable(general.data(), grain, 0, kFrames);
    for (std::int32_t j = 0; j < kFrames; ++j) {
        ASSERT_NEAR(general[j].left, plain[j].left, 1e-6) << j;
        ASSERT_NEAR(general[j].right, plain[j].right, 1e-6) << j;
    }
}
