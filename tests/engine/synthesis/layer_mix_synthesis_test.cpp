// The sound of a score's layers: an excerpt is its stretch of the whole
// render to the bit, a silent layer adds nothing and leaves its walk where it
// would be, a layer's gain scales its own sound, and a shaped layer whose DC
// is blocked gives its stretch of the whole render too.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <vector>

#include "engine/synthesis/layer_mix_synthesis.h"
#include "engine/source/octave_levels.h"
#include "engine/base/stereo_frame.h"
#include "engine/synthesis/grain_synthesizer.h"

namespace {

constexpr std::uint64_t kFrames = 3 * 44100;

std::vector<StereoFrame> TwoTones()
{
    std::vector<StereoFrame> source(44100);
    for (std::size_t i = 0; i < source.size(); ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        source[i] = {static_cast<float>(0.4 * std::sin(2 * M_PI * 440 * t)),
                     static_cast<float>(0.3 * std::sin(2 * M_PI * 660 * t))};
    }
    return source;
}

GrainSettings Settings()
{
    GrainSettings settings;
    settings.m_nGrainsPerSecond = 1000;
    settings.m_nGrainFrames = 2205;
    settings.m_nScanFrames = 100;
    settings.m_nSegmentGrains = 3000;
    settings.m_dVolume = 0.5;
    return settings;
}

struct Layers {
    OctaveLevels source{std::span<const StereoFrame>()};
    GrainSynthesizer first;
    GrainSynthesizer second;
};

std::vector<MixLayer> MixOf(Layers& layers, std::function<double(std::uint64_t)> secondGain)
{
    for (GrainSynthesizer* synthesizer : {&layers.first, &layers.second})
        synthesizer->SetSettings(Settings());
    MixLayer a{&layers.first, &layers.source, nullptr, 11, {}, {}, {}};
    MixLayer b{&layers.second, &layers.source, nullptr, 12, std::move(secondGain), {}, {}};
    return {a, b};
}

// frames frames from the mix, in windows of window frames.
std::vector<StereoFrame> Render(LayerMixSynthesis& mix, std::uint64_t frames, std::uint64_t window = 10000)
{
    std::vector<StereoFrame> sound(frames, StereoFrame{0.0f, 0.0f});
    EXPECT_TRUE(mix.Begin(frames));
    for (std::uint64_t first = 0; first < frames; first += window)
        mix.RenderWindow(std::span(sound).subspan(first, std::min(window, frames - first)), first);
    mix.End();
    return sound;
}

// Equal values (a silent layer's 0 × sound may add a negative zero).
bool SameBits(const StereoFrame& a, const StereoFrame& b)
{
    return a.left == b.left && a.right == b.right;
}

}  // namespace

TEST(LayerMixSynthesis, AnExcerptIsItsStretchOfTheWholeRenderToTheBit)
{
    const std::vector<StereoFrame> tones = TwoTones();
    Layers whole;
    whole.source = OctaveLevels(tones);
    LayerMixSynthesis wholeMix(MixOf(whole, [](std::uint64_t) { return 0.5; }), 0, 0, SystemAllocate);
    const std::vector<StereoFrame> all = Render(wholeMix, kFrames);

    constexpr std::uint64_t kSkip = 50000;
    constexpr std::uint64_t kExcerpt = 30000;
    Layers part;
    part.source = OctaveLevels(tones);
    LayerMixSynthesis partMix(MixOf(part, [](std::uint64_t) { return 0.5; }), kSkip, kFrames, SystemAllocate);
    const std::vector<StereoFrame> excerpt = Render(partMix, kExcerpt, 7000);
    for (std::uint64_t i = 0; i < kExcerpt; ++i)
        ASSERT_TRUE(SameBits(excerpt[i], all[kSkip + i])) << i;
}

// The second layer is silent for the first second, then at gain 1: after the
// silence the mix is what the two layers make without it, so the silent
// stretch moved the walk on as rendering it would have.
TEST(LayerMixSynthesis, ASilentStretchAddsNothingAndKeepsTheWalk)
{
    const std::vector<StereoFrame> tones = TwoTones();
    Layers heard;
    heard.source = OctaveLevels(tones);
    LayerMixSynthesis always(MixOf(heard, [](std::uint64_t) { return 1.0; }), 0, 0, SystemAllocate);
    const std::vector<StereoFrame> both = Render(always, kFrames);

    Layers quiet;
    quiet.source = OctaveLevels(tones);
    Layers firstOnly;
    firstOnly.source = OctaveLevels(tones);
    LayerMixSynthesis later(MixOf(quiet, [](std::uint64_t frame) { return frame < 60000 ? 0.0 : 1.0; }), 0, 0,
                            SystemAllocate);
    const std::vector<StereoFrame> mixed = Render(later, kFrames, 20000);
    LayerMixSynthesis alone(MixOf(firstOnly, [](std::uint64_t) { return 0.0; }), 0, 0, SystemAllocate);
    const std::vector<StereoFrame> first = Render(alone, kFrames, 20000);
    // The gain's line leaves 0 at the last 32-frame step before the turn and
    // reaches 1 at the turn: before 59968 the first layer alone, from 60000
    // on both layers, to the bit.
    for (std::uint64_t i = 0; i < 59968; ++i)
        ASSERT_TRUE(SameBits(mixed[i], first[i])) << i;
    for (std::uint64_t i = 60000; i < kFrames; ++i)
        ASSERT_TRUE(SameBits(mixed[i], both[i])) << i;
}

// A layer after the first without a gain line is added as it is: the same
// values as with a gain of 1 at every frame.
TEST(LayerMixSynthesis, ALaterLayerWithoutAGainLineIsAddedWhole)
{
    const std::vector<StereoFrame> tones = TwoTones();
    Layers unity;
    unity.source = OctaveLevels(tones);
    LayerMixSynthesis withLine(MixOf(unity, [](std::uint64_t) { return 1.0; }), 0, 0, SystemAllocate);
    const std::vector<StereoFrame> expected = Render(withLine, kFrames);
    Layers plain;
    plain.source = OctaveLevels(tones);
    LayerMixSynthesis withoutLine(MixOf(plain, {}), 0, 0, SystemAllocate);
    const std::vector<StereoFrame> mixed = Render(withoutLine, kFrames);
    for (std::uint64_t i = 0; i < kFrames; ++i)
        ASSERT_TRUE(SameBits(mixed[i], expected[i])) << i;
}

// A second layer with a DC offset, its DC blocked, its gain turned on after a
// second and its sound panned and cut: an excerpt late in the render is its
// stretch of the whole render once the filters have forgotten where they
// began, the skip arrives at the excerpt's first frame, and the excerpt moved
// on a little (which goes on from where its last prefeed began) still is.
TEST(LayerMixSynthesis, AShapedLayerWithItsDcBlockedGivesItsStretchOfTheWholeRender)
{
    std::vector<StereoFrame> offset = TwoTones();
    for (StereoFrame& frame : offset) {
        frame.left += 0.2f;
        frame.right -= 0.1f;
    }
    const auto mixOf = [](Layers& layers) {
        std::vector<MixLayer> mix = MixOf(layers, [](std::uint64_t frame) { return frame < 44100 ? 0.0 : 0.8; });
        ShapingPlan& plan = mix[1].m_shaping;
        plan.m_bPan = true;
        plan.m_bHighCut = true;
        plan.m_valuesAt = [](std::uint64_t frame) {
            return ShapingValues{.m_dPan = 40.0, .m_dHighCutHz = 2000.0 + static_cast<double>(frame) / 100.0};
        };
        return mix;
    };
    constexpr std::uint64_t kWhole = 5 * 44100;
    Layers whole;
    whole.source = OctaveLevels(offset);
    LayerMixSynthesis wholeMix(mixOf(whole), 0, 0, SystemAllocate);
    wholeMix.BlockDc();
    const std::vector<StereoFrame> all = Render(wholeMix, kWhole);

    constexpr std::uint64_t kExcerpt = 20000;
    Layers part;
    part.source = OctaveLevels(offset);
    LayerMixSynthesis partMix(mixOf(part), 3 * 44100 + 123, kWhole, SystemAllocate);
    partMix.BlockDc();
    for (const std::uint64_t skip : {std::uint64_t{3 * 44100 + 123}, std::uint64_t{3 * 44100 + 123 + kExcerpt}}) {
        partMix.MoveSkip(skip);
        const std::vector<StereoFrame> excerpt = Render(partMix, kExcerpt, 7000);
        ASSERT_TRUE(partMix.GetArrived());
        EXPECT_EQ(partMix.GetArrived()->m_nFrame, skip);
        float largest = 0.0f;
        for (std::uint64_t i = 0; i < kExcerpt; ++i) {
            largest = std::max({largest, std::abs(excerpt[i].left - all[skip + i].left),
                                std::abs(excerpt[i].right - all[skip + i].right)});
        }
        EXPECT_LT(largest, 1e-5f) << skip;
    }
}
