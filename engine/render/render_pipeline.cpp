#include "engine/render/render_pipeline.h"

#include <algorithm>
#include <chrono>
#include <stdexcept>
#include <utility>

#include "engine/base/progress_points.h"
#include "engine/finishing/finishing_chain.h"
#include "engine/io/frame_sink.h"
#include "engine/render/frame_spill.h"
#include "engine/synthesis/windowed_synthesis.h"

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

// One pass over the whole sound in memory, in pieces that end at every
// 100000th frame, serving the host after each of those frames. No pass looks
// at the keep-going answer.
template <typename Pass>
void FinishingPass(std::span<StereoFrame> sound, const std::function<void()>& serve, Pass pass)
{
    ForEachPieceToAPoint(sound.size(), kFramesPerFinishingPump,
                         [&](std::uint64_t first, std::uint64_t count, bool endsOnPoint) {
                             pass(sound.subspan(first, count), first);
                             if (endsOnPoint)
                                 serve();
                             return true;
                         });
}

}  // namespace

RenderPipeline::RenderPipeline(SoundSynthesis& synthesis, const StreamLayout& layout, const FinishingChain& chain,
                               RenderPacing pacing)
    : m_synthesis(synthesis)
    , m_layout(layout)
    , m_chain(chain)
    , m_pacing(std::move(pacing))
{
}

// The synthesis may outlive the pipeline: it keeps no way back to it.
RenderPipeline::~RenderPipeline()
{
    m_synthesis.SetKeepGoing({});
}

void RenderPipeline::HoldWholeOutput(std::span<StereoFrame> output)
{
    m_whole = output;
    m_bWhole = true;
}

void RenderPipeline::SetSpill(std::unique_ptr<FrameSpill> spill)
{
    m_pSpill = std::move(spill);
}

bool RenderPipeline::StreamsInOnePass() const
{
    return !m_bWhole && !m_layout.IsLoop() && !m_chain.Surveys() && !m_chain.Measures();
}

std::span<FinishingStage* const> RenderPipeline::Stages() const
{
    return m_chain.Stages();
}

// A sound held whole has had the in-place stages already.
std::span<FinishingStage* const> RenderPipeline::OutgoingStages() const
{
    return m_bWhole ? Stages().subspan(m_chain.InPlaceCount()) : Stages();
}

void RenderPipeline::Survey(std::span<const StereoFrame> piece, std::uint64_t first)
{
    for (FinishingStage* stage : Stages()) {
        if (stage->Surveys())
            stage->Survey(piece, first);
    }
}

void RenderPipeline::Plan()
{
    for (FinishingStage* stage : Stages())
        stage->Plan(m_layout.m_nFrames);
}

void RenderPipeline::Apply(std::span<FinishingStage* const> stages, std::span<StereoFrame> piece,
                           std::uint64_t first) const
{
    for (FinishingStage* stage : stages) {
        if (stage->Applies())
            stage->Apply(piece, first);
    }
}

RenderPipeline::Outcome RenderPipeline::Run(FrameSink& sink)
{
    m_pSink = &sink;
    // The host is served while a synthesis begins at length, so a cancel
    // is heard there too.
    m_synthesis.SetKeepGoing([this] {
        if (m_pacing.m_serve)
            m_pacing.m_serve();
        return m_pacing.m_keepGoing();
    });
    if (m_bWhole) {
        if (const std::optional<Outcome> cutShort = SynthesiseWhole())
            return *cutShort;
        FinishInPlace();
    } else if (StreamsInOnePass()) {
        return WriteWhileSynthesising(sink);
    } else {
        if (!AllocateBuffers())
            return Outcome::NoOutputMemory;
        if (const std::optional<Outcome> cutShort = SynthesiseWindows())
            return *cutShort;
        Plan();
    }
    if (!MeasureOutgoing())
        return Outcome::Cancelled;
    Write(sink);
    return m_pacing.m_keepGoing() ? Outcome::Completed : Outcome::Cancelled;
}

void RenderPipeline::ReportProgress(Phase phase, std::uint64_t index, std::uint64_t total)
{
    m_pacing.m_progress(phase, index, total, phase == Phase::Writing ? m_pSink->GetBytesWritten() : 0);
}

// Pass 1 in memory, which looks at the keep-going answer before each batch of
// grains, as a grain loop looks at it before each grain.
std::optional<RenderPipeline::Outcome> RenderPipeline::SynthesiseWhole()
{
    m_pacing.m_beginPhase(Phase::Generating);
    if (!m_synthesis.Begin(m_whole.size()))
        return Outcome::NoWindowMemory;
    m_synthesis.RenderWhole(m_whole, [&](std::int64_t, std::uint64_t grainStart) {
        ReportProgress(Phase::Generating, grainStart, m_whole.size());
        return m_pacing.m_keepGoing();
    });
    m_synthesis.End();
    m_pacing.m_endPhase(Phase::Generating);
    if (!m_pacing.m_keepGoing())
        return Outcome::Cancelled;
    return std::nullopt;
}

// The survey, then each in-place stage's measure and changes, every one a
// pass over the whole buffer.
void RenderPipeline::FinishInPlace()
{
    const auto began = std::chrono::steady_clock::now();
    const std::span<StereoFrame> sound = m_whole;
    if (m_chain.Surveys())
        FinishingPass(sound, m_pacing.m_serve, [&](std::span<StereoFrame> piece, std::uint64_t first) {
            Survey(piece, first);
        });
    Plan();
    for (FinishingStage* stage : Stages().first(m_chain.InPlaceCount())) {
        if (stage->Measures()) {
            FinishingPass(sound, m_pacing.m_serve, [&](std::span<StereoFrame> piece, std::uint64_t first) {
                stage->Measure(piece, first);
            });
            stage->EndMeasure();
        }
        if (stage->Applies()) {
            FinishingPass(sound, m_pacing.m_serve, [&](std::span<StereoFrame> piece, std::uint64_t first) {
                stage->Apply(piece, first);
            });
        }
    }
    m_dFinishingSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
}

bool RenderPipeline::AllocateBuffers()
{
    const std::uint64_t frames = std::clamp<std::uint64_t>(m_layout.SynthesisedFrames(), 1, kWindowFrames);
    std::optional<SoundBuffer> window = SoundBuffer::Allocate(m_allocate, frames);
    if (!window)
        return false;
    m_window = std::move(*window);
    if (m_layout.IsLoop()) {
        m_seam = LoopSeam::Make(m_allocate, m_layout.m_nCrossFade);
        if (!m_seam)
            return false;
    }
    return true;
}

// Pass 1 by windows, which looks at the keep-going answer before each window.
std::optional<RenderPipeline::Outcome> RenderPipeline::SynthesiseWindows()
{
    m_pacing.m_beginPhase(Phase::Generating);
    const std::uint64_t total = m_layout.SynthesisedFrames();
    if (!m_synthesis.Begin(total))
        return Outcome::NoWindowMemory;
    WindowedSynthesis synthesis(m_synthesis, m_window.Span(), total);
    while (!synthesis.IsDone() && m_pacing.m_keepGoing()) {
        const std::span<StereoFrame> window = synthesis.Next();
        SurveyWindow(window, synthesis.GetFirst());
        ReportProgress(Phase::Generating, synthesis.GetFirst() + window.size() - 1, total);
    }
    m_synthesis.End();
    m_pacing.m_endPhase(Phase::Generating);
    if (!m_pacing.m_keepGoing())
        return Outcome::Cancelled;
    if (m_seam)
        SurveyHead();
    return std::nullopt;
}

// A loop's head is final only once the overlap has been faded into it, after
// the rest of the sound: it is surveyed last.
void RenderPipeline::SurveyHead()
{
    Survey(m_seam->Head(), 0);
}

void RenderPipeline::SurveyWindow(std::span<StereoFrame> window, std::uint64_t first)
{
    ForEachRegion(m_layout, window, first, [&](Region region, std::span<StereoFrame> piece, std::uint64_t index) {
        switch (region) {
        case Region::WarmUp: break;
        case Region::Head: m_seam->KeepHead(piece, index); break;
        case Region::Body:
            Survey(piece, m_layout.m_nCrossFade + index);
            if (m_pSpill)
                m_pSpill->Append(piece);
            break;
        case Region::Overlap: m_seam->FadeIntoHead(piece, index); break;
        }
    });
}

bool RenderPipeline::MeasureOutgoing()
{
    const std::span<FinishingStage* const> stages = OutgoingStages();
    for (std::size_t k = 0; k < stages.size(); ++k) {
        if (stages[k]->Measures() && !Measure(k))
            return false;
    }
    return true;
}

// A pass over the sound as the outgoing stages before stage k leave it. A
// piece of a sound held whole is changed on a copy: the buffer is written
// later.
bool RenderPipeline::Measure(std::size_t k)
{
    const std::span<FinishingStage* const> before = OutgoingStages().first(k);
    FinishingStage& stage = *OutgoingStages()[k];
    m_pacing.m_beginPhase(Phase::Measuring);
    const bool completed = ForEachOutgoingPiece(Phase::Measuring, [&](std::span<StereoFrame> piece,
                                                                      std::uint64_t first) {
        std::span<StereoFrame> changed = piece;
        if (m_bWhole && !before.empty()) {
            m_copy.assign(piece.begin(), piece.end());
            changed = m_copy;
        }
        Apply(before, changed, first);
        stage.Measure(changed, first);
    });
    m_pacing.m_endPhase(Phase::Measuring);
    if (completed)
        stage.EndMeasure();
    return completed;
}

void RenderPipeline::Write(FrameSink& sink)
{
    m_pacing.m_beginPhase(Phase::Writing);
    m_nFramesWritten = 0;
    const std::span<FinishingStage* const> stages = OutgoingStages();
    ForEachOutgoingPiece(Phase::Writing, [&](std::span<StereoFrame> piece, std::uint64_t first) {
        Apply(stages, piece, first);
        sink.Write(piece.data(), piece.size());
        m_nFramesWritten += piece.size();
    });
    // Also after a cancel, which a progress point after the last piece may
    // still bring: the sink keeps what its kind keeps of a cut-short output.
    sink.Finish(!m_pacing.m_keepGoing());
    m_pacing.m_endPhase(Phase::Writing);
}

// A plain sound whose stages need no survey: each window goes through the
// stages to the sink as soon as it is made, and nothing is kept.
RenderPipeline::Outcome RenderPipeline::WriteWhileSynthesising(FrameSink& sink)
{
    if (!AllocateBuffers())
        return Outcome::NoOutputMemory;
    m_pacing.m_beginPhase(Phase::Writing);
    const std::uint64_t total = m_layout.SynthesisedFrames();
    if (!m_synthesis.Begin(total))
        return Outcome::NoWindowMemory;
    m_nFramesWritten = 0;
    WindowedSynthesis synthesis(m_synthesis, m_window.Span(), total);
    while (!synthesis.IsDone() && m_pacing.m_keepGoing()) {
        const std::span<StereoFrame> window = synthesis.Next();
        Apply(Stages(), window, synthesis.GetFirst());
        sink.Write(window.data(), window.size());
        m_nFramesWritten += window.size();
        ReportProgress(Phase::Writing, synthesis.GetFirst() + window.size() - 1, total);
    }
    m_synthesis.End();
    sink.Finish(!m_pacing.m_keepGoing());
    m_pacing.m_endPhase(Phase::Writing);
    return m_pacing.m_keepGoing() ? Outcome::Completed : Outcome::Cancelled;
}

// The sound in order, as it waits after pass 1 (and, held whole, after the
// in-place stages).
bool RenderPipeline::ForEachOutgoingPiece(Phase phase, const PieceAction& action)
{
    return m_bWhole ? ForEachWholePiece(phase, action) : ForEachSurveyedPiece(phase, action);
}

// The sound of a render by windows as it was surveyed (a loop's head with the
// overlap faded in), in the order it is written: a loop's head, then the rest.
bool RenderPipeline::ForEachSurveyedPiece(Phase phase, const PieceAction& action)
{
    if (!ForEachHeadPiece(phase, action))
        return false;
    return m_pSpill ? ForEachSpilledPiece(phase, action) : ForEachSynthesisedPiece(phase, action);
}

// The sound in memory, finished already, in blocks that end at every 1000th
// frame. The keep-going answer can only change at a progress point, so
// looking at it before each block is looking at it before each frame: a
// cancel at the progress point of frame j leaves exactly j + 1 frames handed
// to action.
bool RenderPipeline::ForEachWholePiece(Phase phase, const PieceAction& action)
{
    const std::uint64_t total = m_whole.size();
    bool completed = true;
    ForEachPieceToAPoint(total, kIterationsPerProgressPoint, [&](std::uint64_t first, std::uint64_t count,
                                                                 bool endsOnPoint) {
        if (!m_pacing.m_keepGoing()) {
            completed = false;
            return false;
        }
        action(m_whole.subspan(first, count), first);
        if (endsOnPoint)
            ReportProgress(phase, first + count - 1, total);
        return true;
    });
    return completed;
}

bool RenderPipeline::ForEachHeadPiece(Phase phase, const PieceAction& action)
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
        action(piece, first);
        ReportProgress(phase, first + count - 1, m_layout.m_nFrames);
    }
    return true;
}

bool RenderPipeline::ForEachSpilledPiece(Phase phase, const PieceAction& action)
{
    const std::uint64_t headFrames = m_layout.m_nCrossFade;
    const std::uint64_t spilled = m_pSpill->GetFrameCount();
    for (std::uint64_t first = 0; first < spilled; first += m_window.size()) {
        if (!m_pacing.m_keepGoing())
            return false;
        const std::uint64_t count = std::min<std::uint64_t>(m_window.size(), spilled - first);
        const std::span<StereoFrame> piece = m_window.Span().first(count);
        m_pSpill->Read(piece, first);
        action(piece, headFrames + first);
        ReportProgress(phase, headFrames + first + count - 1, m_layout.m_nFrames);
    }
    return true;
}

// The sound again from the start: the same grains, so the same frames. A
// loop's overlap is not needed any more.
bool RenderPipeline::ForEachSynthesisedPiece(Phase phase, const PieceAction& action)
{
    const StreamLayout& layout = m_layout;
    const std::uint64_t frames = layout.m_nWarmUp + layout.m_nFrames;
    if (!m_synthesis.Begin(layout.SynthesisedFrames()))
        throw std::runtime_error("there is no memory left to synthesise the sound again");
    WindowedSynthesis synthesis(m_synthesis, m_window.Span(), frames);
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
                          action(piece, layout.m_nCrossFade + index);
                          end = layout.m_nCrossFade + index + piece.size();
                      });
        if (end > 0)
            ReportProgress(phase, end - 1, layout.m_nFrames);
    }
    m_synthesis.End();
    return completed;
}
