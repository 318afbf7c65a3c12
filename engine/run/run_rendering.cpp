// The render of a run: after loading (and, for a run that holds its whole
// output, after allocating it), a RenderPipeline synthesises, finishes and
// writes the sound, reporting to the run's host through the run's own
// progress points.
#include <cerrno>
#include <chrono>
#include <optional>

#include "engine/io/frame_sink.h"
#include "engine/run/generation_run.h"
#include "engine/finishing/level_evening.h"
#include "engine/finishing/delivery_chain.h"
#include "engine/render/frame_spill.h"
#include "engine/synthesis/grain_sound_synthesis.h"
#include "engine/render/render_pipeline.h"
#include "engine/source/octave_levels.h"
#include "engine/synthesis/grain_synthesizer.h"
#include "resources/strings/resource_ids.h"
#include "wav/file_exception.h"

namespace {

std::int32_t FadeFramesOf(const GenerationSettings& settings)
{
    return settings.m_nFadeSeconds * kRunSampleRate;
}

StreamLayout LayoutOf(const GenerationSettings& settings, bool loop)
{
    const auto frames = static_cast<std::uint64_t>(settings.m_nDurationSeconds) * kRunSampleRate;
    return loop ? LoopLayout(frames, settings.m_nGrainFrames, FadeFramesOf(settings)) : PlainLayout(frames);
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
    const bool loop = m_streaming && m_streaming->m_bLoop;
    const StreamLayout layout = LayoutOf(m_settings, loop);
    DeliveryPlan delivery;
    delivery.m_dVolume = m_settings.m_dVolume;
    delivery.m_nFadeFrames = loop ? 0 : FadeFramesOf(m_settings);
    delivery.m_nFrames = layout.m_nFrames;
    delivery.m_nFadeOffset = m_fadePlace.m_nOffset;
    delivery.m_nWholeFrames = m_fadePlace.m_nWholeFrames;
    delivery.m_bHeldWhole = !m_streaming;
    delivery.m_pEvening = m_streaming ? m_pEvening.get() : nullptr;  // evened only when rendered by windows
    delivery.m_pMeter = m_pMeter.get();
    delivery.m_bMeasureSubAudio = m_bMeasureSubAudio;
    DeliveryChain chain(delivery);

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
    if (m_pGivenSynthesis == nullptr)
        ownSynthesis.emplace(*m_pSynthesizer, *m_pLevels, m_pSynthesizer->GetRandomState(), m_pSplineTerms.get());
    SoundSynthesis& synthesis = m_pGivenSynthesis != nullptr ? *m_pGivenSynthesis : *ownSynthesis;
    RenderPipeline pipeline(synthesis, layout, chain.Chain(), pacing);
    pipeline.SetAllocator(m_allocate);
    if (m_streaming) {
        std::unique_ptr<FrameSpill> spill = pipeline.StreamsInOnePass() ? nullptr : MakeSpill(layout);
        m_bSpilled = spill != nullptr;
        pipeline.SetSpill(std::move(spill));
    } else {
        pipeline.HoldWholeOutput(m_outputBuffer.Span());
    }
    const RenderPipeline::Outcome outcome = pipeline.Run(*m_pSink);
    m_phaseTimes.m_dFinishing += pipeline.GetFinishingSeconds();
    ReleaseBuffers();
    switch (outcome) {
    case RenderPipeline::Outcome::NoWindowMemory: return Fail(TableMessage(IDS_ERR_WINDOW_MEMORY));
    case RenderPipeline::Outcome::NoOutputMemory: return Fail(TableMessage(IDS_ERR_OUTPUT_MEMORY));
    case RenderPipeline::Outcome::Cancelled: return RunOutcome::Cancelled();
    case RenderPipeline::Outcome::Completed: break;
    }
    m_subAudioShare = chain.SubAudioShare();
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
