// A run that streams its output: after loading, a StreamedRender takes the
// place of allocating, synthesising, finishing and writing, reporting to the
// run's host through the run's own progress points.
#include <cerrno>
#include <chrono>

#include "engine/frame_sink.h"
#include "engine/generation_run.h"
#include "engine/streaming/frame_spill.h"
#include "engine/streaming/streamed_render.h"
#include "engine/synthesis/grain_synthesizer.h"
#include "resources/strings/resource_ids.h"
#include "wav/file_exception.h"

namespace {

StreamPlan PlanOf(const GenerationSettings& settings, bool loop)
{
    const auto frames = static_cast<std::uint64_t>(settings.m_nDurationSeconds) * kRunSampleRate;
    const std::int32_t fadeFrames = settings.m_nFadeSeconds * kRunSampleRate;
    StreamPlan plan;
    plan.m_layout = loop ? LoopLayout(frames, settings.m_nGrainFrames, fadeFrames) : PlainLayout(frames);
    plan.m_dVolume = settings.m_dVolume;
    plan.m_nFadeFrames = loop ? 0 : fadeFrames;
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

RunOutcome GenerationRun::StreamOutput()
{
    if (m_settings.m_nDurationSeconds < 0) {
        Fail(TableMessage(IDS_ERR_OUTPUT_MEMORY));
        return RunOutcome::Failed(m_nFailureId);
    }
    PrepareSynthesizer();
    const StreamPlan plan = PlanOf(m_settings, m_streaming->m_bLoop);

    std::chrono::steady_clock::time_point phaseBegan;
    RenderPacing pacing;
    pacing.m_beginPhase = [&](Phase) {
        m_tPhaseStart = Now();
        phaseBegan = std::chrono::steady_clock::now();
    };
    pacing.m_progress = [this](Phase phase, std::uint64_t index, std::uint64_t total, std::uint64_t written) {
        m_nFramesWritten = written;
        ProgressPoint(phase, index, total);
    };
    pacing.m_keepGoing = [this] { return m_bKeepGoing; };
    pacing.m_endPhase = [&](Phase phase) {
        const std::chrono::duration<double> seconds = std::chrono::steady_clock::now() - phaseBegan;
        PhaseSeconds(m_phaseTimes, phase) += seconds.count();
        EndPhase(phase);
    };

    StreamedRender render(*m_pSynthesizer, m_sourceBuffer.Span(), plan, pacing);
    render.SetAllocator(m_allocate);
    std::unique_ptr<FrameSpill> spill = MakeSpill(plan.m_layout);
    m_bSpilled = spill != nullptr;
    render.SetSpill(std::move(spill));
    render.SetMeter(m_pMeter.get());
    const StreamedRender::Outcome outcome = render.Run(*m_pSink);
    ReleaseBuffers();
    switch (outcome) {
    case StreamedRender::Outcome::NoWindowMemory: return Fail(TableMessage(IDS_ERR_WINDOW_MEMORY));
    case StreamedRender::Outcome::NoOutputMemory: return Fail(TableMessage(IDS_ERR_OUTPUT_MEMORY));
    case StreamedRender::Outcome::Cancelled: return RunOutcome::Cancelled();
    case StreamedRender::Outcome::Completed: break;
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
