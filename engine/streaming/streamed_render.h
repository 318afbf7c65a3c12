// A render that never holds its whole output: grains added window by window,
// the level surveyed on the way, the sound set aside on disk (or synthesised
// again), then finished and written piece by piece.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "engine/buffer_allocator.h"
#include "engine/generation_host.h"
#include "engine/level_finisher.h"
#include "engine/stereo_frame.h"
#include "engine/streaming/loop_seam.h"
#include "engine/streaming/stream_layout.h"
#include "engine/zeroed_buffer.h"

class FinishedSoundMeter;
class FrameSink;
class FrameSpill;
class GrainSynthesizer;

// What a streamed render needs of the run that drives it.
struct RenderPacing {
    using Phase = GenerationHost::Phase;
    // A phase begins.
    std::function<void(Phase)> m_beginPhase;
    // A progress point of a phase, after frame index of total (index < total);
    // framesWritten counts the frames handed to the sink. Serves the host.
    std::function<void(Phase, std::uint64_t index, std::uint64_t total, std::uint64_t framesWritten)> m_progress;
    // Whether the run may go on, as the host last answered.
    std::function<bool()> m_keepGoing;
    // A phase's loop is over, completed or cut short.
    std::function<void(Phase)> m_endPhase;
};

struct StreamPlan {
    StreamLayout m_layout;
    double m_dVolume = 0.0;
    std::int32_t m_nFadeFrames = 0;  // fade in and out; a loop has none
};

// The passes, each over the sound in order, a window at a time:
//
//   1. Generating  synthesise every frame of the layout; survey the sound's
//                  sums and extremes (LevelFinisher::Survey), keep a loop's
//                  head and fade the overlap into it, and set the sound aside
//                  in the spill if there is one
//   2. Measuring   (only with a meter) the finished sound shown to the meter
//   3. Writing     the finished sound, times the meter's gain, to the sink
//
// Passes 2 and 3 take the sound from the spill, or without one synthesise it
// again from the generator state pass 1 began with. Every frame gets the same
// arithmetic in the same order as in a run that holds the whole output, so
// a plain sound has the same bits, whatever the windows and the threads.
//
// Memory: the synthesizer's tables, one window of kWindowFrames frames, and a
// loop's head.
//
// The keep-going answer is looked at before each window. A cancel in pass 1
// or 2 leaves the sink as it was created; in pass 3 it finishes the sink with
// the frames written so far. Failures of the spill or the sink raise
// FileException.
class StreamedRender {
public:
    using Phase = GenerationHost::Phase;

    enum class Outcome { Completed, Cancelled, NoWindowMemory, NoOutputMemory };

    static constexpr std::uint64_t kWindowFrames = 1 << 16;

    StreamedRender(GrainSynthesizer& synthesizer, std::span<const StereoFrame> source, const StreamPlan& plan,
                   RenderPacing pacing);
    ~StreamedRender();

    void SetAllocator(BufferAllocator allocate) { m_allocate = allocate; }
    // Where pass 1 sets the sound aside; without one, later passes synthesise it again.
    void SetSpill(std::unique_ptr<FrameSpill> spill);
    // Sees the finished sound before it is written; may be null.
    void SetMeter(FinishedSoundMeter* meter) { m_pMeter = meter; }

    // The synthesizer must have its settings, options and generator state;
    // each pass begins and ends it.
    Outcome Run(FrameSink& sink);

    std::uint64_t GetFramesWritten() const { return m_nFramesWritten; }

private:
    using PieceAction = std::function<void(std::span<StereoFrame> piece, std::uint64_t first)>;

    bool AllocateBuffers();
    std::optional<Outcome> Survey();
    void SurveyWindow(std::span<StereoFrame> window, std::uint64_t first);
    bool Measure();
    void Write(FrameSink& sink);
    bool ForEachFinishedPiece(Phase phase, const PieceAction& action);
    bool ForEachHeadPiece(Phase phase, const PieceAction& action);
    bool ForEachSpilledPiece(Phase phase, const PieceAction& action);
    bool ForEachSynthesisedPiece(Phase phase, const PieceAction& action);
    bool BeginSynthesis();

    GrainSynthesizer& m_synthesizer;
    std::span<const StereoFrame> m_source;
    StreamPlan m_plan;
    RenderPacing m_pacing;
    BufferAllocator m_allocate = SystemAllocate;
    std::unique_ptr<FrameSpill> m_pSpill;
    FinishedSoundMeter* m_pMeter = nullptr;

    LevelFinisher m_finisher;
    SoundBuffer m_window;
    std::optional<LoopSeam> m_seam;
    std::uint32_t m_nRandomState = 0;  // the generator's state where pass 1 began
    double m_dGain = 1.0;
    std::uint64_t m_nFramesWritten = 0;
};
