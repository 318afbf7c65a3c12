// The render of a run: after loading (and, for a run that holds its whole
// output, after allocating it), a RenderPipeline synthesises, finishes and
// writes the sound, reporting to the run's host through the run's own
// progress points.
#include <cerrno>
#include <chrono>
#include <optional>

#include "engine/frame_sink.h"
#include "engine/generation_run.h"
#include "engine/level/level_evening.h"
#include "engine/level/sub_audio_meter.h"
#include "engine/render/frame_spill.h"
#include "engine/render/grain_sound_synthesis.h"
#include "engine/render/render_pipeline.h"
#include "engine/source/octave_levels.h"
#include "engine/synthesis/grain_synthesizer.h"
#include "resources/strings/resource_ids.h"
#include "wav/file_exception.h"

namespace {

RenderPlan PlanOf(const GenerationSettings& settings, bool loop)
{
    const auto frames = static_cast<std::uint64_t>(settings.m_nDurationSeconds) * kRunSampleRate;
    const std::int32_t fadeFrames = settings.m_nFadeSeconds * kRunSampleRate;
    RenderPlan plan;
    plan.m_layout = loop ? LoopLayout(frames, settings.m_nGrainFrames, fadeFrames) : PlainLayout(frames);
    plan.m_dVolume = settings.m_dVolume;
    plan.m_nFadeFrames = loop ? 0 : fadeFrames;
    return plan;
}

// A plain run's shaping: its values hold throughout.
ShapingPlan ShapingPlanOf(const GenerationSettings& settings)
{
    const ShapingSettings& shaping = settings.m_shaping;
    ShapingPlan plan;
    plan.m_bPan = shaping.m_dPan != 0.0;
    plan.m_bWidth = settings.m_variation.m_dPanSpread > 0.0;
    plan.m_bHighCut = shaping.m_dHighCutHz < ShapingSettings{}.m_dHighCutHz;
    plan.m_bLowCut = shaping.m_dToneLowCutHz > 0.0;
    plan.m_nSlopeDb = shaping.m_nToneSlopeDb;
    ShapingValues values;
    values.m_dPan = shaping.m_dPan;
    values.m_dWidth = settings.m_variation.m_dPanSpread;
    values.m_dHighCutHz = shaping.m_dHighCutHz;
    values.m_dLowCutHz = shaping.m_dToneLowCutHz;
    plan.m_valuesAt = [values](std::uint64_t) { return values; };
    return plan;
}

// Where each phase's seconds go in the run's timings.
double& PhaseSeconds(PhaseTimes& times, GenerationHost::Phase phase)
{
    switch (phase) {
    case GenerationHost::Phase::Loading: return times.m_dLoading;
    case GenerationHost::Phase::Generating: return times.m_dSynthesizing;
    case GenerationHost::Phase::Measuring: return times.m_dFinishing;
    case GenerationHost::Phase::Writing: break;
    }
    return times.m_dWriting;
}

}  // namespace

void GenerationRun::PrepareSynthesizer()
{
    m_pSynthesizer->SetSettings(GrainSettingsOf(m_settings));
    m_pSynthesizer->SetOptions(m_synthesis);
    m_pSynthesizer->SetAllocator(m_allocate);
}

RunOutcome GenerationRun::RenderOutput()
{
    if (m_settings.m_nDurationSeconds < 0) {
        Fail(TableMessage(IDS_ERR_OUTPUT_MEMORY));
        return RunOutcome::Failed(m_nFailureId);
    }
    PrepareSynthesizer();
    RenderPlan plan = PlanOf(m_settings, m_streaming && m_streaming->m_bLoop);
    plan.m_nFadeOffset = m_fadePlace.m_nOffset;
    plan.m_nWholeFrames = m_fadePlace.m_nWholeFrames;
    plan.m_bKeepMeans = m_bKeepMeans;

    std::chrono::steady_clock::time_point phaseBegan;
    RenderPacing pacing;
    pacing.m_beginPhase = [&](Phase) {
        m_tPhaseStart = Now();
        phaseBegan = std::chrono::steady_clock::now();
    };
    pacing.m_progress = [this](Phase phase, std::uint64_t index, std::uint64_t total, std::uint64_t bytes) {
        m_nFramesWritten = phase == Phase::Writing ? index + 1 : 0;
        m_nBytesWritten = bytes;
        ProgressPoint(phase, index, total);
    };
    pacing.m_serve = [this] { ServeHost(); };
    pacing.m_keepGoing = [this] { return m_bKeepGoing; };
    pacing.m_endPhase = [&](Phase phase) {
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - phaseBegan;
        PhaseSeconds(m_phaseTimes, phase) += seconds.count();
        EndPhase(phase);
    };

    std::optional<GrainSoundSynthesis> ownSynthesis;
    if (m_pGivenSynthesis == nullptr) {
        ownSynthesis.emplace(*m_pSynthesizer, *m_pLevels, m_pSynthesizer->GetRandomState(), m_pSplineTerms.get());
        ownSynthesis->SetShaping(ShapingPlanOf(m_settings));
    }
    SoundSynthesis& synthesis = m_pGivenSynthesis != nullptr ? *m_pGivenSynthesis : *ownSynthesis;
    RenderPipeline pipeline(synthesis, plan, pacing);
    pipeline.SetAllocator(m_allocate);
    if (m_streaming) {
        std::unique_ptr<FrameSpill> spill = MakeSpill(plan.m_layout);
        m_bSpilled = spill != nullptr;
        pipeline.SetSpill(std::move(spill));
    } else {
        pipeline.HoldWholeOutput(m_outputBuffer.Span());
    }
    pipeline.SetMeter(m_pMeter.get());
    if (m_streaming)  // the pipeline evens only a sound it renders by windows
        pipeline.SetLevelEvening(m_pEvening.get());
    SubAudioMeter subAudio;
    if (m_bMeasureSubAudio)
        pipeline.SetSubAudioMeter(&subAudio);
    const RenderPipeline::Outcome outcome = pipeline.Run(*m_pSink);
    m_phaseTimes.m_dFinishing += pipeline.GetFinishingSeconds();
    m_fSynthesisedPeak = pipeline.GetSynthesisedPeak();
    ReleaseBuffers();
    switch (outcome) {
    case RenderPipeline::Outcome::NoWindowMemory: return Fail(TableMessage(IDS_ERR_WINDOW_MEMORY));
    case RenderPipeline::Outcome::NoOutputMemory: return Fail(TableMessage(IDS_ERR_OUTPUT_MEMORY));
    case RenderPipeline::Outcome::Cancelled: return RunOutcome::Cancelled();
    case RenderPipeline::Outcome::Completed: break;
    }
    if (m_bMeasureSubAudio) {
        const LevelFinisher& finisher = pipeline.GetFinisher();
        m_subAudioShare =
            subAudio.SubAudioShare(finisher.GetMeanLeft(), finisher.GetMeanRight(), pipeline.GetSynthesisedPeak());
    }
    m_host.ShowMessage(TableMessage(IDS_GENERATION_DONE), GenerationHost::MessageKind::Information);
    return RunOutcome::Completed();
}

// The spill goes where the options say, when they let it and the disk has
// room; a run that must spill and cannot fails with the system's reason.
std::unique_ptr<FrameSpill> GenerationRun::MakeSpill(const StreamLayout& layout)
{
    const StreamingOptions& options = *m_streaming;
    if (options.m_spill == SpillChoice::Never)
        return nullptr;
    const std::string folder = options.m_strSpillFolder.empty() ? TemporaryFolder() : options.m_strSpillFolder;
    const std::uint64_t bytes = FrameSpill::BytesFor(layout.m_nFrames - layout.m_nCrossFade);
    if (options.m_spill == SpillChoice::WhenRoom && !IsRoomToSpill(folder, bytes, options.m_nReservedBytes))
        return nullptr;
    std::unique_ptr<FrameSpill> spill = FrameSpill::Create(folder);
    if (!spill && options.m_spill == SpillChoice::Always)
        throw FileException(FileException::Cause::Write, folder, errno);
    return spill;
}
