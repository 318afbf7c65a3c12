#include "engine/streaming/streamed_render.h"

#include <algorithm>
#include <stdexcept>
#include <utility>

#include "engine/frame_sink.h"
#include "engine/streaming/finished_sound_meter.h"
#include "engine/streaming/frame_spill.h"
#include "engine/streaming/windowed_synthesis.h"
#include "engine/synthesis/grain_synthesizer.h"

namespace {

enum class Region { WarmUp, Head, Body, Overlap };

// Calls part(region, piece, index) for each stretch of frames (the render's
// frames from first on) that lies in one region of the layout; index is the
// stretch's first frame counted from the start of its region.
template <typename Part>
void ForEachRegion(const StreamLayout& layout, std::span<StereoFrame> frames, std::uint64_t first, Part part)
{
    const std::uint64_t headStart = layout.m_nWarmUp;
    const std::uint64_t bodyStart = headStart + layout.m_nCrossFade;
    const std::uint64_t overlapStart = headStart + layout.m_nFrames;
    const std::pair<Region, std::uint64_t> regions[] = {
        {Region::WarmUp, 0}, {Region::Head, headStart}, {Region::Body, bodyStart}, {Region::Overlap, overlapStart}};
    const std::uint64_t ends[] = {headStart, bodyStart, overlapStart, layout.SynthesisedFrames()};
    const std::uint64_t last = first + frames.size();
    for (std::size_t r = 0; r < std::size(regions); ++r) {
        const std::uint64_t from = std::max(first, regions[r].second);
        const std::uint64_t to = std::min(last, ends[r]);
        if (from < to)
            part(regions[r].first, frames.subspan(from - first, to - from), from - regions[r].second);
    }
}

}  // namespace

StreamedRender::StreamedRender(GrainSynthesizer& synthesizer, std::span<const StereoFrame> source,
                               const StreamPlan& plan, RenderPacing pacing)
    : m_synthesizer(synthesizer)
    , m_source(source)
    , m_plan(plan)
    , m_pacing(std::move(pacing))
    , m_finisher(plan.m_dVolume, plan.m_nFadeFrames, plan.m_layout.m_nFrames)
{
}

StreamedRender::~StreamedRender() = default;

void StreamedRender::SetSpill(std::unique_ptr<FrameSpill> spill)
{
    m_pSpill = std::move(spill);
}

StreamedRender::Outcome StreamedRender::Run(FrameSink& sink)
{
    if (!AllocateBuffers())
        return Outcome::NoOutputMemory;
    if (const std::optional<Outcome> cutShort = Survey())
        return *cutShort;
    m_finisher.FindPeakFromExtremes();
    if (m_pMeter != nullptr && !Measure())
        return Outcome::Cancelled;
    Write(sink);
    return m_pacing.m_keepGoing() ? Outcome::Completed : Outcome::Cancelled;
}

bool StreamedRender::AllocateBuffers()
{
    const std::uint64_t frames = std::clamp<std::uint64_t>(m_plan.m_layout.SynthesisedFrames(), 1, kWindowFrames);
    std::optional<SoundBuffer> window = SoundBuffer::Allocate(m_allocate, frames);
    if (!window)
        return false;
    m_window = std::move(*window);
    if (m_plan.m_layout.IsLoop()) {
        m_seam = LoopSeam::Make(m_allocate, m_plan.m_layout.m_nCrossFade);
        if (!m_seam)
            return false;
    }
    return true;
}

// Pass 1, which looks at the keep-going answer before each window, as the
// grain loop of a whole-output run looks at it before each grain.
std::optional<StreamedRender::Outcome> StreamedRender::Survey()
{
    m_pacing.m_beginPhase(Phase::Generating);
    m_nRandomState = m_synthesizer.GetRandomState();
    if (!BeginSynthesis())
        return Outcome::NoWindowMemory;
    const std::uint64_t total = m_plan.m_layout.SynthesisedFrames();
    WindowedSynthesis synthesis(m_synthesizer, m_window.Span(), total);
    while (!synthesis.IsDone() && m_pacing.m_keepGoing()) {
        const std::span<StereoFrame> window = synthesis.Next();
        SurveyWindow(window, synthesis.GetFirst());
        m_pacing.m_progress(Phase::Generating, synthesis.GetFirst() + window.size() - 1, total, 0);
    }
    m_synthesizer.End();
    m_pacing.m_endPhase(Phase::Generating);
    if (!m_pacing.m_keepGoing())
        return Outcome::Cancelled;
    if (m_seam)
        m_finisher.Survey(m_seam->Head());
    return std::nullopt;
}

void StreamedRender::SurveyWindow(std::span<StereoFrame> window, std::uint64_t first)
{
    ForEachRegion(m_plan.m_layout, window, first, [&](Region region, std::span<StereoFrame> piece, std::uint64_t index) {
        switch (region) {
        case Region::WarmUp: break;
        case Region::Head: m_seam->KeepHead(piece, index); break;
        case Region::Body:
            m_finisher.Survey(piece);
            if (m_pSpill)
                m_pSpill->Append(piece);
            break;
        case Region::Overlap: m_seam->FadeIntoHead(piece, index); break;
        }
    });
}

bool StreamedRender::Measure()
{
    m_pacing.m_beginPhase(Phase::Measuring);
    const bool completed = ForEachFinishedPiece(
        Phase::Measuring, [&](std::span<StereoFrame> piece, std::uint64_t) { m_pMeter->Measure(piece); });
    m_pacing.m_endPhase(Phase::Measuring);
    if (completed)
        m_dGain = m_pMeter->Gain();
    return completed;
}

void StreamedRender::Write(FrameSink& sink)
{
    m_pacing.m_beginPhase(Phase::Writing);
    m_nFramesWritten = 0;
    const bool scaled = m_pMeter != nullptr;
    const double gain = m_dGain;
    ForEachFinishedPiece(Phase::Writing, [&](std::span<StereoFrame> piece, std::uint64_t) {
        if (scaled) {
            for (StereoFrame& frame : piece)
                frame = {static_cast<float>(frame.left * gain), static_cast<float>(frame.right * gain)};
        }
        sink.Write(piece.data(), piece.size());
        m_nFramesWritten += piece.size();
    });
    // Also after a cancel, which a progress point after the last piece may
    // still bring: the sink keeps what its kind keeps of a cut-short output.
    sink.Finish(!m_pacing.m_keepGoing());
    m_pacing.m_endPhase(Phase::Writing);
}

// The finished sound in order: a loop's head, then the rest, each piece
// finished in the window before action sees it.
bool StreamedRender::ForEachFinishedPiece(Phase phase, const PieceAction& action)
{
    if (!ForEachHeadPiece(phase, action))
        return false;
    return m_pSpill ? ForEachSpilledPiece(phase, action) : ForEachSynthesisedPiece(phase, action);
}

bool StreamedRender::ForEachHeadPiece(Phase phase, const PieceAction& action)
{
    if (!m_seam)
        return true;
    const std::span<const StereoFrame> head = m_seam->Head();
    for (std::uint64_t first = 0; first < head.size(); first += m_window.size()) {
        if (!m_pacing.m_keepGoing())
            return false;
        const std::uint64_t count = std::min<std::uint64_t>(m_window.size(), head.size() - first);
        const std::span<StereoFrame> piece = m_window.Span().first(count);
        std::copy_n(head.begin() + static_cast<std::ptrdiff_t>(first), count, piece.begin());
        m_finisher.FinishPiece(piece, first);
        action(piece, first);
        m_pacing.m_progress(phase, first + count - 1, m_plan.m_layout.m_nFrames, m_nFramesWritten);
    }
    return true;
}

bool StreamedRender::ForEachSpilledPiece(Phase phase, const PieceAction& action)
{
    const std::uint64_t headFrames = m_plan.m_layout.m_nCrossFade;
    const std::uint64_t spilled = m_pSpill->GetFrameCount();
    for (std::uint64_t first = 0; first < spilled; first += m_window.size()) {
        if (!m_pacing.m_keepGoing())
            return false;
        const std::uint64_t count = std::min<std::uint64_t>(m_window.size(), spilled - first);
        const std::span<StereoFrame> piece = m_window.Span().first(count);
        m_pSpill->Read(piece, first);
        m_finisher.FinishPiece(piece, headFrames + first);
        action(piece, headFrames + first);
        m_pacing.m_progress(phase, headFrames + first + count - 1, m_plan.m_layout.m_nFrames, m_nFramesWritten);
    }
    return true;
}

// The sound again from the generator state pass 1 began with: the same
// grains, so the same frames. A loop's overlap is not needed any more.
bool StreamedRender::ForEachSynthesisedPiece(Phase phase, const PieceAction& action)
{
    m_synthesizer.SetRandomState(m_nRandomState);
    if (!BeginSynthesis())
        throw std::runtime_error("there is no memory left to synthesise the sound again");
    const StreamLayout& layout = m_plan.m_layout;
    WindowedSynthesis synthesis(m_synthesizer, m_window.Span(), layout.m_nWarmUp + layout.m_nFrames);
    bool completed = true;
    while (!synthesis.IsDone()) {
        if (!m_pacing.m_keepGoing()) {
            completed = false;
            break;
        }
        const std::span<StereoFrame> window = synthesis.Next();
        std::uint64_t end = 0;
        ForEachRegion(layout, window, synthesis.GetFirst(),
                      [&](Region region, std::span<StereoFrame> piece, std::uint64_t index) {
                          if (region != Region::Body)
                              return;
                          m_finisher.FinishPiece(piece, layout.m_nCrossFade + index);
                          action(piece, layout.m_nCrossFade + index);
                          end = layout.m_nCrossFade + index + piece.size();
                      });
        if (end > 0)
            m_pacing.m_progress(phase, end - 1, layout.m_nFrames, m_nFramesWritten);
    }
    m_synthesizer.End();
    return completed;
}

bool StreamedRender::BeginSynthesis()
{
    return m_synthesizer.Begin(m_source, m_plan.m_layout.SynthesisedFrames()) == GrainSynthesizer::Start::Ready;
}
