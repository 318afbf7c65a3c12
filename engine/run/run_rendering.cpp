// The render of a run: after loading and preparing (and, for a run that
// holds its whole output, after allocating it), a RenderPipeline synthesises
// the piece, finishes it through the delivery chain and writes it, reporting
// to the run's host through the run's own progress points.
#include <cerrno>
#include <chrono>

#include "engine/finishing/delivery_chain.h"
#include "engine/finishing/level_evening.h"
#include "engine/io/frame_sink.h"
#include "engine/render/frame_spill.h"
#include "engine/render/render_pipeline.h"
#include "engine/run/score_piece.h"
#include "engine/run/score_run.h"
#include "wav/file_exception.h"

namespace {

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

// A whole track of a looping score, streamed, loops seamlessly: it has no
// fades, and its seam is as long as the fade. An excerpt keeps the track's
// fades where it overlaps them; an excerpt of a loop has none.
RunOutcome ScoreRun::RenderOutput()
{
    if (m_score.m_nLengthSeconds < 0)
        return Fail(RunFailure::Of(RunFailure::Kind::OutputMemory));
    const bool whole = m_nExcerptFrames == 0;
    const bool loop = m_score.m_bLoop && whole && m_streaming.has_value();
    const std::int32_t fadeFrames = m_score.m_bLoop && !whole ? 0 : m_score.m_nFadeSeconds * kRunSampleRate;
    const std::uint64_t frames = OutputFrames();
    const StreamLayout layout =
        loop ? LoopLayout(frames, m_pPiece->LongestGrainFrames(), fadeFrames) : PlainLayout(frames);
    DeliveryPlan delivery;
    delivery.m_dVolume = m_score.m_nVolume * 0.01;
    delivery.m_nFadeFrames = loop ? 0 : fadeFrames;
    delivery.m_nFrames = layout.m_nFrames;
    if (!whole && !m_score.m_bLoop) {
        delivery.m_nFadeOffset = m_nExcerptFirst;
        delivery.m_nWholeFrames = static_cast<std::uint64_t>(m_score.m_nLengthSeconds) * kRunSampleRate;
    }
    delivery.m_bHeldWhole = !m_streaming;
    delivery.m_pEvening = m_streaming ? m_pEvening.get() : nullptr;  // evened only when rendered by windows
    delivery.m_pMeter = m_pMeter.get();
    delivery.m_bMeasureSubAudio = m_bMeasureSubAudio;
    delivery.m_bKeepMeans = m_pPiece->BlocksDc();
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
        m_host.EndPhase(phase);
    };

    const RenderPipeline::Outcome outcome = RunPipeline(layout, chain.Chain(), std::move(pacing));
    m_fSynthesisedPeak = chain.Levels().SynthesisedPeak();
    m_layerSubAudio = m_pPiece->LayerSubAudioPeaks();
    Release();
    switch (outcome) {
    case RenderPipeline::Outcome::NoWindowMemory: return Fail(RunFailure::Of(RunFailure::Kind::WindowMemory));
    case RenderPipeline::Outcome::NoOutputMemory: return Fail(RunFailure::Of(RunFailure::Kind::OutputMemory));
    case RenderPipeline::Outcome::Cancelled: return RunOutcome::Cancelled();
    case RenderPipeline::Outcome::Completed: break;
    }
    m_subAudioShare = chain.SubAudioShare();
    m_host.ShowCompletion();
    return RunOutcome::Completed();
}

// The pipeline is gone before the piece whose synthesis it drives.
RenderPipeline::Outcome ScoreRun::RunPipeline(const StreamLayout& layout, const FinishingChain& chain,
                                              RenderPacing pacing)
{
    RenderPipeline pipeline(m_pPiece->Synthesis(), layout, chain, std::move(pacing));
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
    return outcome;
}

// The spill goes where the options say, when they let it and the disk has
// room; a run that must spill and cannot fails with the system's reason.
std::unique_ptr<FrameSpill> ScoreRun::MakeSpill(const StreamLayout& layout)
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
