// Chains of finishing stages in the render pipeline: a preview (synthesis, a
// fixed gain, a sink) streamed in one pass, taps that see what the sink gets,
// and the delivery chain whichever way the sound waits.
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <optional>
#include <vector>

#include "engine/finishing/delivery_chain.h"
#include "engine/finishing/finishing_chain.h"
#include "engine/finishing/fixed_gain_stage.h"
#include "engine/finishing/tap_stage.h"
#include "engine/io/frame_sink.h"
#include "tests/engine/collecting_sink.h"
#include "engine/render/frame_spill.h"
#include "engine/render/render_pipeline.h"
#include "engine/synthesis/sound_synthesis.h"
#include "tests/support/temp_dir.h"

namespace {

using Phase = RunPhase;

constexpr std::uint64_t kFrames = 150000;  // over two windows

StereoFrame SynthesisedFrame(std::uint64_t j)
{
    const auto x = static_cast<double>(j);
    return {static_cast<float>(0.6 * std::sin(x / 13.0) + 0.03), static_cast<float>(0.4 * std::cos(x / 7.0) - 0.01)};
}

// The same frames every time it begins; counts its beginnings.
class FormulaSynthesis : public SoundSynthesis {
public:
    bool Begin(std::uint64_t) override
    {
        ++m_nBegins;
        return true;
    }
    void RenderWindow(std::span<StereoFrame> window, std::uint64_t first) override
    {
        for (std::size_t i = 0; i < window.size(); ++i)
            window[i] = SynthesisedFrame(first + i);
    }
    void RenderWhole(std::span<StereoFrame> sound, const GrainProgress&) override { RenderWindow(sound, 0); }
    void End() override {}

    int m_nBegins = 0;
};

// What a tap saw, stretch by stretch.
struct TapLog {
    std::vector<StereoFrame> m_frames;
    std::vector<std::uint64_t> m_firsts;

    TapStage::Observer Observer()
    {
        return [this](std::span<const StereoFrame> stretch, std::uint64_t first) {
            m_firsts.push_back(first);
            m_frames.insert(m_frames.end(), stretch.begin(), stretch.end());
        };
    }
};

std::vector<std::uint32_t> Bits(const std::vector<StereoFrame>& frames)
{
    std::vector<std::uint32_t> bits(2 * frames.size());
    if (!frames.empty())
        std::memcpy(bits.data(), frames.data(), bits.size() * sizeof(std::uint32_t));
    return bits;
}

class FinishingChainTest : public testing::Test {
protected:
    RenderPacing Pacing()
    {
        RenderPacing pacing;
        pacing.m_beginPhase = [this](Phase phase) { m_phases.push_back(phase); };
        pacing.m_progress = [this](Phase, std::uint64_t index, std::uint64_t, std::uint64_t) {
            if (m_cancelAfter && index + 1 >= *m_cancelAfter)
                m_bKeepGoing = false;
        };
        pacing.m_serve = [] {};
        pacing.m_keepGoing = [this] { return m_bKeepGoing; };
        pacing.m_endPhase = [](Phase) {};
        return pacing;
    }

    TempDir m_dir;
    std::vector<Phase> m_phases;
    std::optional<std::uint64_t> m_cancelAfter;
    bool m_bKeepGoing = true;
};

}  // namespace

// The studio's preview: no stage surveys, so every window goes through the
// gain to the sink as it is made, synthesised once, with nothing set aside.
TEST_F(FinishingChainTest, APreviewChainStreamsThroughItsGainInOnePass)
{
    FormulaSynthesis synthesis;
    FinishingChain chain;
    chain.Add(std::make_unique<FixedGainStage>(0.25));
    TapLog tap;
    chain.Add(std::make_unique<TapStage>(tap.Observer()));
    RenderPipeline pipeline(synthesis, PlainLayout(kFrames), chain, Pacing());
    ASSERT_TRUE(pipeline.StreamsInOnePass());
    CollectingSink sink;
    ASSERT_EQ(pipeline.Run(sink), RenderPipeline::Outcome::Completed);

    EXPECT_EQ(synthesis.m_nBegins, 1);
    EXPECT_EQ(m_phases, std::vector<Phase>{Phase::Writing});
    std::vector<StereoFrame> expected(kFrames);
    for (std::uint64_t j = 0; j < kFrames; ++j) {
        const StereoFrame frame = SynthesisedFrame(j);
        expected[j] = {static_cast<float>(frame.left * 0.25), static_cast<float>(frame.right * 0.25)};
    }
    EXPECT_TRUE(Bits(sink.m_frames) == Bits(expected));
    EXPECT_TRUE(sink.m_bFinished);
    EXPECT_FALSE(sink.m_bCancelled);
    // The tap sees each stretch after the gain, in order and without gaps.
    EXPECT_TRUE(Bits(tap.m_frames) == Bits(expected));
    ASSERT_EQ(tap.m_firsts.size(), 3u);
    EXPECT_EQ(tap.m_firsts[1], RenderPipeline::kWindowFrames);
}

TEST_F(FinishingChainTest, APreviewCancelledStopsAtItsWindowAndKeepsWhatWasWritten)
{
    FormulaSynthesis synthesis;
    FinishingChain chain;
    chain.Add(std::make_unique<FixedGainStage>(1.0));
    RenderPipeline pipeline(synthesis, PlainLayout(kFrames), chain, Pacing());
    m_cancelAfter = 1;
    CollectingSink sink;
    EXPECT_EQ(pipeline.Run(sink), RenderPipeline::Outcome::Cancelled);
    EXPECT_EQ(sink.m_frames.size(), RenderPipeline::kWindowFrames);
    EXPECT_TRUE(sink.m_bFinished);
    EXPECT_TRUE(sink.m_bCancelled);
}

// A tap after the delivery chain sees the finished sound, exactly what the
// sink gets, whether the sound was set aside, synthesised again or held whole.
TEST_F(FinishingChainTest, ATapAfterTheDeliveryChainSeesWhatTheSinkGets)
{
    for (const int way : {0, 1, 2}) {
        SCOPED_TRACE(way);
        FormulaSynthesis synthesis;
        DeliveryPlan plan;
        plan.m_dVolume = 0.5;
        plan.m_nFadeFrames = 3000;
        plan.m_nFrames = kFrames;
        plan.m_bHeldWhole = way == 2;
        DeliveryChain delivery(plan);
        TapLog tap;
        delivery.Chain().Add(std::make_unique<TapStage>(tap.Observer()));
        RenderPipeline pipeline(synthesis, PlainLayout(kFrames), delivery.Chain(), Pacing());
        EXPECT_FALSE(pipeline.StreamsInOnePass());
        std::vector<StereoFrame> whole(way == 2 ? kFrames : 0);
        if (way == 0)
            pipeline.SetSpill(FrameSpill::Create(m_dir.Path().string()));
        if (way == 2)
            pipeline.HoldWholeOutput(whole);
        CollectingSink sink;
        ASSERT_EQ(pipeline.Run(sink), RenderPipeline::Outcome::Completed);
        ASSERT_EQ(sink.m_frames.size(), kFrames);
        EXPECT_TRUE(Bits(tap.m_frames) == Bits(sink.m_frames));
        // The finished sound peaks at the volume: the tap came after it.
        float peak = 0.0f;
        for (const StereoFrame& frame : tap.m_frames)
            peak = std::max({peak, std::fabs(frame.left), std::fabs(frame.right)});
        EXPECT_NEAR(peak, 0.5f, 1e-6f);
    }
}

// A meter or a picture watching the finished sound is tapped in as it is:
// it is handed every stretch, in order, as the sink gets it.
TEST_F(FinishingChainTest, ATapHandsEachStretchToAStretchObserver)
{
    struct Collector final : StretchObserver {
        void OnStretch(const StereoFrame* frames, std::size_t count) override
        {
            m_frames.insert(m_frames.end(), frames, frames + count);
            ++m_nStretches;
        }
        std::vector<StereoFrame> m_frames;
        int m_nStretches = 0;
    };
    FormulaSynthesis synthesis;
    FinishingChain chain;
    chain.Add(std::make_unique<FixedGainStage>(0.5));
    Collector collector;
    chain.Add(std::make_unique<TapStage>(collector));
    RenderPipeline pipeline(synthesis, PlainLayout(kFrames), chain, Pacing());
    CollectingSink sink;
    ASSERT_EQ(pipeline.Run(sink), RenderPipeline::Outcome::Completed);
    EXPECT_EQ(collector.m_nStretches, 3);
    EXPECT_TRUE(Bits(collector.m_frames) == Bits(sink.m_frames));
}
