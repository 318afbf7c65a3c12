// The one path of every render: the desktop program's run and a streamed
// score of the same values write the same file; a score's layers are checked
// against their sources before anything is made; decoded sounds and sounds
// read by the run render alike.
#include <gmock/gmock.h>
#include <gtest/gtest.h>

#include <cmath>
#include <cstring>
#include <vector>

#include "engine/automation/parameter_timeline.h"
#include "engine/automation/timeline_grain_settings.h"
#include "engine/io/wave_frame_sink.h"
#include "engine/io/wave_sound_source.h"
#include "engine/run/generation_run.h"
#include "engine/run/score_piece.h"
#include "engine/run/score_run.h"
#include "engine/scheduling/constant_grain_settings.h"
#include "engine/scheduling/grain_scheduler.h"
#include "engine/scheduling/parameter_grain_settings.h"
#include "engine/score/one_layer_score.h"
#include "resources/strings/resource_ids.h"
#include "tests/engine/fake_host.h"
#include "tests/engine/memory_seams.h"
#include "tests/support/temp_dir.h"
#include "tests/support/test_sounds.h"
#include "tests/support/wav_bytes.h"

namespace {

using testing::HasSubstr;

// Light grains of some of every kind, so that the general kernel and the
// per-grain draws take part.
ParameterValues LightValues()
{
    return ParameterValues()
        .With(ParameterId::Density, 1000)
        .With(ParameterId::GrainLength, 100)
        .With(ParameterId::Fade, 1)
        .With(ParameterId::PitchSpread, 3)
        .With(ParameterId::PanSpread, 40);
}

std::vector<StereoFrame> Noise(std::size_t frames, std::uint32_t seed)
{
    std::vector<StereoFrame> noise(frames);
    std::uint32_t state = seed;
    for (StereoFrame& frame : noise) {
        state = state * 1664525u + 1013904223u;
        frame.left = static_cast<float>(static_cast<std::int32_t>(state >> 8) % 20000) / 40000.0f;
        state = state * 1664525u + 1013904223u;
        frame.right = static_cast<float>(static_cast<std::int32_t>(state >> 8) % 20000) / 40000.0f;
    }
    return noise;
}

std::vector<std::uint32_t> Bits(const std::vector<StereoFrame>& frames)
{
    std::vector<std::uint32_t> bits(2 * frames.size());
    if (!frames.empty())
        std::memcpy(bits.data(), frames.data(), bits.size() * sizeof(std::uint32_t));
    return bits;
}

PieceRefusal RefusalOf(const Score& score, std::uint64_t sourceFrames)
{
    PieceRequest request;
    request.m_pScore = &score;
    request.m_sourceFrames[score.m_layers.front().m_strSourcePath] = sourceFrames;
    const ScorePiece::Planning planning = ScorePiece::Plan(request);
    EXPECT_EQ(planning.m_pPiece, nullptr);
    return planning.m_refusal;
}

}  // namespace

// The desktop program holds its whole output and finishes it in place; the
// command line streams the one-layer score of the same values. Same file.
TEST(ScoreRun, TheDesktopRunAndAStreamedScoreOfItsValuesWriteTheSameFile)
{
    const TempDir dir;
    const std::string input = dir.File("input.wav");
    WriteToneWav(input, 30000, 22050);
    const ParameterValues values = LightValues();

    FakeHost desktopHost;
    GenerationRun desktop(desktopHost);
    GenerationSettings settings;
    ApplyParameters(values, settings);
    settings.m_strInputPath = input;
    settings.m_strOutputPath = dir.File("desktop.wav");
    settings.m_nDurationSeconds = 3;
    desktop.SetSettings(settings);
    desktop.SetRandomState(99);
    ASSERT_EQ(desktop.Run(), RunOutcome::Completed());

    FakeHost host;
    ScoreRun streamed(host);
    streamed.SetScore(OneLayerScore(values, 3, input));
    SourceOpening opening = OpenWaveSource(input);
    ASSERT_TRUE(opening.m_pSource);
    streamed.SetSource(input, std::move(opening.m_pSource));
    streamed.SetSink(std::make_unique<WaveFrameSink>(), dir.File("streamed.wav"));
    streamed.SetRandomState(99);
    StreamingOptions streaming;
    streaming.m_spill = SpillChoice::Never;
    streamed.SetStreaming(streaming);
    ASSERT_EQ(streamed.Run(), RunOutcome::Completed());

    const std::vector<unsigned char> written = ReadWholeFile(dir.File("desktop.wav"));
    EXPECT_EQ(written.size(), 44u + 4u * 3 * 44100);
    EXPECT_TRUE(written == ReadWholeFile(dir.File("streamed.wav")));
    EXPECT_EQ(desktop.GetRandomState(), streamed.GetRandomState());
    EXPECT_NE(desktop.GetRandomState(), 99u);
}

// Sounds handed over decoded and a source the run reads itself give the same
// render, for two layers mixed with a moving gain, held whole or streamed.
TEST(ScoreRun, DecodedSoundsAndSourcesReadByTheRunRenderAlike)
{
    const std::vector<StereoFrame> first = Noise(40000, 1);
    const std::vector<StereoFrame> second = Noise(30000, 2);
    Score score = OneLayerScore(LightValues(), 2, "first");
    ScoreLayer layer = score.m_layers.front();
    layer.m_strSource = layer.m_strSourcePath = "second";
    layer.m_dGainDb = -6.0;
    Keyframe louder;
    louder.m_dSeconds = 1.5;
    louder.m_gainDb = 0.0;
    layer.m_keyframes.push_back(louder);
    score.m_layers.push_back(layer);

    auto render = [&](bool decoded, bool streamed) {
        FakeHost host;
        auto log = std::make_shared<SeamLog>();
        ScoreRun run(host);
        run.SetScore(score);
        run.SetRandomState(7);
        if (decoded) {
            run.SetSourceSound("first", first);
            run.SetSourceSound("second", second);
        } else {
            run.SetSource("first", std::make_unique<MemorySource>(first, 44100, log));
            run.SetSource("second", std::make_unique<MemorySource>(second, 44100, log));
        }
        run.SetSink(std::make_unique<MemorySink>(log), "output");
        if (streamed)
            run.SetStreaming(StreamingOptions{SpillChoice::Never, {}, 0});
        EXPECT_EQ(run.Run(), RunOutcome::Completed());
        EXPECT_EQ(log->m_bSourceClosed, !decoded);
        return log->m_written;
    };
    const std::vector<StereoFrame> reference = render(true, true);
    ASSERT_EQ(reference.size(), 2u * 44100);
    EXPECT_TRUE(Bits(render(false, true)) == Bits(reference));
    EXPECT_TRUE(Bits(render(true, false)) == Bits(reference));
}

// Each layer is checked against its source's length before anything is read,
// with the numbers a message needs; a layer that names no start and reads an
// empty source is too short, not started past its end.
TEST(ScorePiecePlan, LayersThatCannotReadTheirSourceAreRefusedWithTheirNumbers)
{
    Score score = OneLayerScore(ParameterValues().With(ParameterId::GrainLength, 50), 10, "rain");
    ScoreLayer& layer = score.m_layers.front();

    PieceRefusal refusal = RefusalOf(score, 2205);
    EXPECT_EQ(refusal.m_kind, PieceRefusal::Kind::StretchTooShort);
    EXPECT_EQ(refusal.m_nStretchFrames, 2205u);
    EXPECT_EQ(refusal.m_nLongestRead, 2205u);
    EXPECT_EQ(refusal.m_nLongestGrain, 2205);
    EXPECT_EQ(RefusalOf(score, 0).m_kind, PieceRefusal::Kind::StretchTooShort);

    layer.m_sourceStartSeconds = 1.0;
    refusal = RefusalOf(score, 44100);
    EXPECT_EQ(refusal.m_kind, PieceRefusal::Kind::StartPastEnd);
    EXPECT_EQ(refusal.m_nSourceFrames, 44100u);

    layer.m_sourceStartSeconds.reset();
    layer.m_sourceEndSeconds = 2.0;
    EXPECT_EQ(RefusalOf(score, 44100).m_kind, PieceRefusal::Kind::EndPastEnd);

    PieceRequest request;
    request.m_pScore = &score;
    request.m_sourceFrames["elsewhere"] = 44100;
    EXPECT_EQ(ScorePiece::Plan(request).m_refusal.m_kind, PieceRefusal::Kind::SourceMissing);

    request.m_sourceFrames["rain"] = 2 * 44100;
    EXPECT_NE(ScorePiece::Plan(request).m_pPiece, nullptr);
}

// A too short source refused by the run is shown as the desktop program's
// message, at the source's own rate, and nothing is created.
TEST(ScoreRun, ATooShortSourceIsRefusedBeforeTheOutputIsCreated)
{
    FakeHost host;
    auto log = std::make_shared<SeamLog>();
    ScoreRun run(host);
    run.SetScore(OneLayerScore(ParameterValues().With(ParameterId::GrainLength, 50), 1, "short"));
    run.SetSource("short", std::make_unique<MemorySource>(std::vector<StereoFrame>(2205), 48000, log));
    run.SetSink(std::make_unique<MemorySink>(log), "output");
    EXPECT_EQ(run.Run(), RunOutcome::Failed(RunFailure::Kind::SourceTooShort));
    ASSERT_EQ(host.m_messages.size(), 1u);
    EXPECT_EQ(host.m_messages[0].m_nId, IDS_ERR_INPUT_TOO_SHORT);
    EXPECT_THAT(host.m_messages[0].m_strText, HasSubstr("2402 sample frames at 48000 Hz"));
    EXPECT_EQ(log->m_strCreatedPath, "");
    EXPECT_TRUE(log->m_bSourceClosed);
}

// Values that hold throughout give every grain the settings a plain run
// gives it: the same bounds, and through a settings source the same grains.
TEST(ConstantGrainSettings, AHeldLayerIsThePlainRun)
{
    const ParameterValues values = LightValues().With(ParameterId::Pitch, -2);
    ScoreLayer layer;
    layer.m_values = values;
    layer.m_values.SetPitchSet({-12.0, -5.0});
    const ParameterTimeline timeline(layer, 10.0, 1, 0, false);
    ASSERT_TRUE(timeline.IsConstant());
    const GrainSettings settings = GrainSettingsOfValues(layer.m_values, 0.5);
    const GrainBounds bounds = BoundsOfTimeline(timeline);
    const GrainBounds plain = BoundsOfSettings(settings);
    EXPECT_EQ(bounds.m_nLongestGrainFrames, plain.m_nLongestGrainFrames);
    EXPECT_EQ(bounds.m_dLowestSemitones, -2.0 - 12.0 - 1.5);
    EXPECT_EQ(bounds.m_dHighestSemitones, -2.0 - 5.0 + 1.5);
    EXPECT_EQ(plain.m_dHighestSemitones, bounds.m_dHighestSemitones);

    GrainScheduler own;
    own.SetSettings(settings);
    ConstantGrainSettings constant(settings);
    GrainScheduler given;
    given.SetSettings(settings);
    given.SetSettingsSource(&constant);
    EXPECT_FALSE(given.Source().Changes());
    for (GrainScheduler* scheduler : {&own, &given}) {
        scheduler->SetRandomState(5);
        scheduler->Begin(100000, 44100);
    }
    for (int k = 0; k < 500; ++k) {
        const GrainEvent a = own.PlaceNext();
        const GrainEvent b = given.PlaceNext();
        ASSERT_EQ(a.m_nSource, b.m_nSource) << k;
        ASSERT_EQ(a.m_nOutput, b.m_nOutput) << k;
        ASSERT_EQ(a.m_dIncrement, b.m_dIncrement) << k;
        ASSERT_EQ(a.m_dGainLeft, b.m_dGainLeft) << k;
    }
}
