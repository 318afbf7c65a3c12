// The one way a render turns synthesis into finished sound in a sink: the
// sound synthesised window by window (or, for the desktop program, whole into
// memory), surveyed, set aside, then finished by a chain of stages and written
// piece by piece.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <vector>

#include "engine/base/buffer_allocator.h"
#include "engine/base/run_phase.h"
#include "engine/base/stereo_frame.h"
#include "engine/base/zeroed_buffer.h"
#include "engine/finishing/loop_seam.h"
#include "engine/render/stream_layout.h"
#include "engine/synthesis/sound_synthesis.h"

class FinishingChain;
class FinishingStage;
class FrameSink;
class FrameSpill;

// What a render needs of the run that drives it.
struct RenderPacing {
    using Phase = RunPhase;
    // A phase begins.
    std::function<void(Phase)> m_beginPhase;
    // A progress point of a phase, after frame index of total (index < total);
    // bytesWritten counts what the sink has written so far. Serves the host.
    std::function<void(Phase, std::uint64_t index, std::uint64_t total, std::uint64_t bytesWritten)> m_progress;
    // Serves the host without a progress point (finishing in memory).
    std::function<void()> m_serve;
    // Whether the run may go on, as the host last answered.
    std::function<bool()> m_keepGoing;
    // A phase's loop is over, completed or cut short.
    std::function<void(Phase)> m_endPhase;
};

// The passes, each over the sound in order:
//
//   1. Generating  synthesise every frame of the layout; every stage that
//                  surveys sees the sound as synthesised; a loop keeps its
//                  head and fades the overlap into it, and its head is
//                  surveyed last
//      (plan)      every stage plans, in order
//   2. Measuring   one pass for each stage that measures, over the sound as
//                  the stages before it leave it
//   3. Writing     the sound through every stage, to the sink
//
// Where the sound waits between the passes decides how they go:
//
//  - In memory, whole (HoldWholeOutput; the desktop program): pass 1 fills
//    the buffer in batches of 1000 grains with a progress point after each,
//    then surveys it in a pass of its own. The stages up to the chain's
//    in-place mark then finish the buffer in place, each with a pass for its
//    measure and one for its changes, serving the host every 100000 frames
//    and going to their ends whatever the host answers. The stages after the
//    mark measure and write from the buffer in blocks that end at every
//    1000th frame, with a progress point after each.
//  - Windows of kWindowFrames: pass 1 surveys each window as it is made and
//    sets it aside in a spill on disk (SetSpill), or without one the later
//    passes synthesise it again. A plain sound whose stages neither survey
//    nor measure goes in one pass: each window through the stages to the
//    sink as it is made (Writing).
//
// Every frame gets the same arithmetic in the same order either way, so a
// plain sound has the same bits whatever the windows and the threads.
//
// The keep-going answer is looked at before each window, batch or block. A
// cancel before the writing leaves the sink as it was created; during the
// writing it finishes the sink with the frames written so far. Failures of
// the spill or the sink raise FileException.
class RenderPipeline {
public:
    using Phase = RunPhase;

    enum class Outcome { Completed, Cancelled, NoWindowMemory, NoOutputMemory };

    static constexpr std::uint64_t kWindowFrames = SoundSynthesis::kLargestWindowFrames;

    // synthesis and chain stay in place while the pipeline lives.
    RenderPipeline(SoundSynthesis& synthesis, const StreamLayout& layout, const FinishingChain& chain,
                   RenderPacing pacing);
    ~RenderPipeline();

    void SetAllocator(BufferAllocator allocate) { m_allocate = allocate; }
    // The whole sound waits in output, zeroed, which holds every frame of it.
    void HoldWholeOutput(std::span<StereoFrame> output);
    // Where pass 1 sets the windows aside; without one, later passes
    // synthesise them again.
    void SetSpill(std::unique_ptr<FrameSpill> spill);
    // Whether a streamed render goes in one pass, needing no spill.
    bool StreamsInOnePass() const;

    Outcome Run(FrameSink& sink);

    std::uint64_t GetFramesWritten() const { return m_nFramesWritten; }
    // How long finishing in memory took, in seconds (0 for windows).
    double GetFinishingSeconds() const { return m_dFinishingSeconds; }

private:
    using PieceAction = std::function<void(std::span<StereoFrame> piece, std::uint64_t first)>;

    std::span<FinishingStage* const> Stages() const;
    std::span<FinishingStage* const> OutgoingStages() const;
    void Survey(std::span<const StereoFrame> piece, std::uint64_t first);
    void Plan();
    void Apply(std::span<FinishingStage* const> stages, std::span<StereoFrame> piece, std::uint64_t first) const;

    bool AllocateBuffers();
    std::optional<Outcome> SynthesiseWhole();
    void FinishInPlace();
    std::optional<Outcome> SynthesiseWindows();
    void SurveyWindow(std::span<StereoFrame> window, std::uint64_t first);
    void SurveyHead();
    bool MeasureOutgoing();
    bool Measure(std::size_t stage);
    void Write(FrameSink& sink);
    Outcome WriteWhileSynthesising(FrameSink& sink);
    bool ForEachOutgoingPiece(Phase phase, const PieceAction& action);
    bool ForEachSurveyedPiece(Phase phase, const PieceAction& action);
    bool ForEachWholePiece(Phase phase, const PieceAction& action);
    bool ForEachHeadPiece(Phase phase, const PieceAction& action);
    bool ForEachSpilledPiece(Phase phase, const PieceAction& action);
    bool ForEachSynthesisedPiece(Phase phase, const PieceAction& action);
    void ReportProgress(Phase phase, std::uint64_t index, std::uint64_t total);

    SoundSynthesis& m_synthesis;
    StreamLayout m_layout;
    const FinishingChain& m_chain;
    RenderPacing m_pacing;
    BufferAllocator m_allocate = SystemAllocate;
    std::span<StereoFrame> m_whole;
    bool m_bWhole = false;
    std::unique_ptr<FrameSpill> m_pSpill;
    FrameSink* m_pSink = nullptr;

    SoundBuffer m_window;
    std::vector<StereoFrame> m_copy;  // a piece of a sound held whole, changed on its way to a measure
    std::optional<LoopSeam> m_seam;
    std::uint64_t m_nFramesWritten = 0;
    double m_dFinishingSeconds = 0.0;
};
