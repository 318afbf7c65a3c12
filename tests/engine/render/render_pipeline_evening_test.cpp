// Level evening in the render pipeline: every frame of the sound surveyed
// once as synthesised (a loop's head last), the gain planned after the
// survey, applied after the means are taken off and before the peak is set
// to the volume, whichever way the sound waits between the passes.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>
#include <cstring>
#include <optional>
#include <stdexcept>
#include <vector>

#include "engine/io/frame_sink.h"
#include "tests/engine/collecting_sink.h"
#include "engine/finishing/delivery_chain.h"
#include "engine/finishing/level_evening.h"
#include "engine/finishing/level_finisher.h"
#include "engine/render/frame_spill.h"
#include "engine/render/render_pipeline.h"
#include "engine/synthesis/sound_synthesis.h"
#include "tests/support/temp_dir.h"

namespace {

using Phase = RunPhase;

constexpr double kTwoPi = 6.283185307179586;

// Synthesised frame j: loud in the first half of a sound of halfway * 2
// frames, quiet in the second, each channel with an offset of its own.
StereoFrame SynthesisedFrame(std::uint64_t j, std::uint64_t halfway)
{
    const double level = j < halfway ? 0.8 : 0.1;
    const auto x = static_cast<double>(j);
    return {static_cast<float>(level * std::sin(kTwoPi * x / 97.0) + 0.05),
            static_cast<float>(level * std::cos(kTwoPi * x / 89.0) - 0.02)};
}

// The same frames every time it begins, window by window or whole.
class FormulaSynthesis : public SoundSynthesis {
public:
    explicit FormulaSynthesis(std::uint64_t halfway)
        : m_nHalfway(halfway)
    {
    }
    bool Begin(std::uint64_t) override { return true; }
    void RenderWindow(std::span<StereoFrame> window, std::uint64_t first) override
    {
        for (std::size_t i = 0; i < window.size(); ++i)
            window[i] = SynthesisedFrame(first + i, m_nHalfway);
    }
    void RenderWhole(std::span<StereoFrame> sound, const GrainProgress&) override { RenderWindow(sound, 0); }
    void End() override {}

private:
    std::uint64_t m_nHalfway;
};

// Keeps what it surveys, by frame and in the order it came, and answers a
// gain of a quarter over the first half of the sound and 1 after it (steep,
// which a real plan never is, so that a gain at the wrong frame shows).
class RecordingEvening : public LevelEvening {
public:
    struct Piece {
        std::uint64_t m_nFirst;
        std::vector<StereoFrame> m_frames;
    };

    void Survey(std::span<const StereoFrame> piece, std::uint64_t first) override
    {
        EXPECT_FALSE(m_bPlanned) << "surveyed after the plan";
        m_pieces.push_back({first, {piece.begin(), piece.end()}});
    }
    void Plan(std::uint64_t totalFrames, std::uint64_t fadeFrames) override
    {
        ++m_nPlans;
        m_bPlanned = true;
        m_nTotal = totalFrames;
        m_nFade = fadeFrames;
    }
    double GainAt(std::uint64_t frame) const override
    {
        EXPECT_TRUE(m_bPlanned) << "gain asked for before the plan";
        return frame < m_nTotal / 2 ? 0.25 : 1.0;
    }

    // The surveyed sound in the order of its frames.
    std::vector<StereoFrame> Sound() const
    {
        std::vector<StereoFrame> sound(m_nTotal);
        for (const Piece& piece : m_pieces) {
            const auto at = sound.begin() + static_cast<std::ptrdiff_t>(piece.m_nFirst);
            std::copy(piece.m_frames.begin(), piece.m_frames.end(), at);
        }
        return sound;
    }

    std::vector<Piece> m_pieces;
    int m_nPlans = 0;
    bool m_bPlanned = false;
    std::uint64_t m_nTotal = 0;
    std::uint64_t m_nFade = 0;
};

std::vector<std::uint32_t> Bits(const std::vector<StereoFrame>& frames)
{
    std::vector<std::uint32_t> bits(2 * frames.size());
    if (!frames.empty())
        std::memcpy(bits.data(), frames.data(), bits.size() * sizeof(std::uint32_t));
    return bits;
}

double PeakOf(const std::vector<StereoFrame>& frames)
{
    double peak = 0.0;
    for (const StereoFrame& frame : frames) {
        peak = std::max(peak, std::fabs(static_cast<double>(frame.left)));
        peak = std::max(peak, std::fabs(static_cast<double>(frame.right)));
    }
    return peak;
}

constexpr std::uint64_t kFrames = 150000;  // over two windows
constexpr double kVolume = 0.7;

struct RenderPlan {
    StreamLayout m_layout;
    double m_dVolume = 0.0;
    std::int32_t m_nFadeFrames = 0;
};

// The delivery chain of plan, with evening, as a run makes it.
DeliveryPlan DeliveryOf(const RenderPlan& plan, LevelEvening* evening, bool heldWhole)
{
    DeliveryPlan delivery;
    delivery.m_dVolume = plan.m_dVolume;
    delivery.m_nFadeFrames = plan.m_nFadeFrames;
    delivery.m_nFrames = plan.m_layout.m_nFrames;
    delivery.m_bHeldWhole = heldWhole;
    delivery.m_pEvening = evening;
    return delivery;
}

RenderPlan PlainPlan(std::int32_t fadeFrames)
{
    return {PlainLayout(kFrames), kVolume, fadeFrames};
}

RenderPlan LoopPlan()
{
    return {LoopLayout(kFrames, 2000, 6000), kVolume, 0};
}

class RenderPipelineEveningTest : public testing::Test {
protected:
    struct Render {
        RenderPipeline::Outcome m_outcome = RenderPipeline::Outcome::Cancelled;
        std::vector<StereoFrame> m_written;
        bool m_bFinished = false;
        float m_fSynthesisedPeak = 0.0f;
    };

    // A render by windows, the sound set aside on disk or synthesised again.
    Render Run(const RenderPlan& plan, LevelEvening* evening, bool spill)
    {
        FormulaSynthesis synthesis(plan.m_layout.m_nWarmUp + plan.m_layout.m_nFrames / 2);
        DeliveryChain delivery(DeliveryOf(plan, evening, false));
        RenderPipeline pipeline(synthesis, plan.m_layout, delivery.Chain(), Pacing());
        if (spill)
            pipeline.SetSpill(FrameSpill::Create(m_dir.Path().string()));
        CollectingSink sink;
        Render render;
        render.m_outcome = pipeline.Run(sink);
        render.m_written = sink.m_frames;
        render.m_bFinished = sink.m_bFinished;
        render.m_fSynthesisedPeak = delivery.Levels().SynthesisedPeak();
        return render;
    }

    RenderPacing Pacing()
    {
        RenderPacing pacing;
        pacing.m_beginPhase = [this](Phase phase) {
            m_phases.push_back(phase);
            if (m_cancelAt && phase == *m_cancelAt)
                m_bKeepGoing = false;
        };
        pacing.m_progress = [](Phase, std::uint64_t, std::uint64_t, std::uint64_t) {};
        pacing.m_serve = [] {};
        pacing.m_keepGoing = [this] { return m_bKeepGoing; };
        pacing.m_endPhase = [](Phase) {};
        return pacing;
    }

    TempDir m_dir;
    std::vector<Phase> m_phases;
    std::optional<Phase> m_cancelAt;
    bool m_bKeepGoing = true;
};

// The sound as the evening surveyed it, finished by hand in the order the
// pipeline promises: means off (summed in the order surveyed), evened, peak
// to the volume, faded.
std::vector<StereoFrame> FinishedByHand(const RecordingEvening& evening, const RenderPlan& plan)
{
    LevelFinisher finisher(plan.m_dVolume, plan.m_nFadeFrames, plan.m_layout.m_nFrames);
    for (const RecordingEvening::Piece& piece : evening.m_pieces)
        finisher.AddToSums(piece.m_frames);
    std::vector<StereoFrame> sound = evening.Sound();
    finisher.RemoveMeans(sound);
    for (std::size_t j = 0; j < sound.size(); ++j) {
        const double gain = evening.GainAt(j);
        sound[j] = {static_cast<float>(sound[j].left * gain), static_cast<float>(sound[j].right * gain)};
    }
    finisher.FindPeak(sound);
    finisher.ScaleAndFade(sound, 0);
    return sound;
}

}  // namespace

TEST_F(RenderPipelineEveningTest, APlainSoundIsSurveyedFrameByFrameInOrderAsSynthesisedThenPlanned)
{
    RecordingEvening evening;
    const Render render = Run(PlainPlan(3000), &evening, true);
    ASSERT_EQ(render.m_outcome, RenderPipeline::Outcome::Completed);
    EXPECT_EQ(evening.m_nPlans, 1);
    EXPECT_EQ(evening.m_nTotal, kFrames);
    EXPECT_EQ(evening.m_nFade, 3000u);
    std::uint64_t next = 0;
    for (const RecordingEvening::Piece& piece : evening.m_pieces) {
        EXPECT_EQ(piece.m_nFirst, next);
        next += piece.m_frames.size();
    }
    EXPECT_EQ(next, kFrames);
    const std::vector<StereoFrame> surveyed = evening.Sound();
    std::vector<StereoFrame> synthesised(kFrames);
    for (std::uint64_t j = 0; j < kFrames; ++j)
        synthesised[j] = SynthesisedFrame(j, kFrames / 2);
    EXPECT_TRUE(Bits(surveyed) == Bits(synthesised)) << "not the sound as synthesised, before its means are off";
}

// The head is final only when the overlap has been faded into it: its survey
// comes after the body's, and a loop plans without fades.
TEST_F(RenderPipelineEveningTest, ALoopsHeadIsSurveyedLastAndTheLoopPlansWithoutFades)
{
    RecordingEvening evening;
    const RenderPlan plan = LoopPlan();
    const Render render = Run(plan, &evening, true);
    ASSERT_EQ(render.m_outcome, RenderPipeline::Outcome::Completed);
    ASSERT_GE(evening.m_pieces.size(), 2u);
    EXPECT_EQ(evening.m_pieces.front().m_nFirst, plan.m_layout.m_nCrossFade);
    EXPECT_EQ(evening.m_pieces.back().m_nFirst, 0u);
    EXPECT_EQ(evening.m_pieces.back().m_frames.size(), plan.m_layout.m_nCrossFade);
    std::uint64_t surveyed = 0;
    for (const RecordingEvening::Piece& piece : evening.m_pieces)
        surveyed += piece.m_frames.size();
    EXPECT_EQ(surveyed, kFrames);
    EXPECT_EQ(evening.m_nPlans, 1);
    EXPECT_EQ(evening.m_nTotal, kFrames);
    EXPECT_EQ(evening.m_nFade, 0u);
}

// The loud first half is turned down before the peak is found: the peak the
// volume is set to is the evened sound's, so the written sound peaks at the
// volume exactly, and both halves come out at about one level.
TEST_F(RenderPipelineEveningTest, TheGainComesAfterTheMeansAndBeforeThePeakIsSetToTheVolume)
{
    for (const RenderPlan& plan : {PlainPlan(0), PlainPlan(5000), LoopPlan()}) {
        for (const bool spill : {true, false}) {
            SCOPED_TRACE(testing::Message() << "loop " << plan.m_layout.IsLoop() << ", fade " << plan.m_nFadeFrames
                                            << ", spill " << spill);
            RecordingEvening evening;
            const Render render = Run(plan, &evening, spill);
            ASSERT_EQ(render.m_outcome, RenderPipeline::Outcome::Completed);
            ASSERT_EQ(render.m_written.size(), kFrames);
            EXPECT_TRUE(Bits(render.m_written) == Bits(FinishedByHand(evening, plan)));
            // Scaled in 64-bit arithmetic and stored as a float: a float's rounding.
            EXPECT_NEAR(PeakOf(render.m_written), kVolume, 1e-6);
            const std::vector<StereoFrame> loud(render.m_written.begin() + 10000, render.m_written.begin() + 70000);
            const std::vector<StereoFrame> quiet(render.m_written.begin() + 80000, render.m_written.begin() + 140000);
            // 0.8 × 0.25 against 0.1 × 1, means aside: the first half at twice
            // the second; 0.1 leaves room for sines sampled off their crests.
            EXPECT_NEAR(PeakOf(loud) / PeakOf(quiet), 2.0, 0.1);
        }
    }
}

// An evening gain of 1 changes nothing, so the evened peak found by a pass
// over the sound is the peak the survey's extremes give without evening.
TEST_F(RenderPipelineEveningTest, AGainOfOneGivesTheBitsOfARenderWithoutEvening)
{
    class UnityEvening : public LevelEvening {
    public:
        void Survey(std::span<const StereoFrame>, std::uint64_t) override {}
        void Plan(std::uint64_t, std::uint64_t) override {}
        double GainAt(std::uint64_t) const override { return 1.0; }
    };
    for (const RenderPlan& plan : {PlainPlan(4000), LoopPlan()}) {
        UnityEvening unity;
        const Render evened = Run(plan, &unity, true);
        const Render plain = Run(plan, nullptr, true);
        ASSERT_EQ(evened.m_outcome, RenderPipeline::Outcome::Completed);
        ASSERT_EQ(plain.m_outcome, RenderPipeline::Outcome::Completed);
        EXPECT_TRUE(Bits(evened.m_written) == Bits(plain.m_written)) << "loop " << plan.m_layout.IsLoop();
        EXPECT_EQ(evened.m_fSynthesisedPeak, plain.m_fSynthesisedPeak);
    }
}

// The peak of the evened sound takes a measuring pass of its own, before the
// writing; a cancel there writes nothing.
TEST_F(RenderPipelineEveningTest, TheEvenedPeakIsMeasuredBeforeWritingAndACancelThereWritesNothing)
{
    RecordingEvening evening;
    ASSERT_EQ(Run(PlainPlan(0), &evening, false).m_outcome, RenderPipeline::Outcome::Completed);
    EXPECT_EQ(m_phases, (std::vector<Phase>{Phase::Generating, Phase::Measuring, Phase::Writing}));

    m_phases.clear();
    m_cancelAt = Phase::Measuring;
    RecordingEvening cancelled;
    const Render render = Run(PlainPlan(0), &cancelled, true);
    EXPECT_EQ(render.m_outcome, RenderPipeline::Outcome::Cancelled);
    EXPECT_TRUE(render.m_written.empty());
    EXPECT_FALSE(render.m_bFinished);
}

// A sound held whole is finished in place, without the survey evening needs:
// its delivery chain refuses evening before anything is rendered.
TEST_F(RenderPipelineEveningTest, ASoundHeldWholeRefusesEvening)
{
    RecordingEvening evening;
    EXPECT_THROW(DeliveryChain(DeliveryOf(PlainPlan(0), &evening, true)), std::logic_error);
    EXPECT_TRUE(evening.m_pieces.empty());
    EXPECT_EQ(evening.m_nPlans, 0);
}
