// The one way a run renders its sound: synthesised window by window (or, for
// the desktop program, whole into memory), its level surveyed, set aside,
// then finished and written piece by piece.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>

#include "engine/buffer_allocator.h"
#include "engine/generation_host.h"
#include "engine/level_finisher.h"
#include "engine/render/loop_seam.h"
#include "engine/render/stream_layout.h"
#include "engine/stereo_frame.h"
#include "engine/zeroed_buffer.h"

class FinishedSoundMeter;
class FrameSink;
class FrameSpill;
class LevelEvening;
class SoundSynthesis;
class SubAudioMeter;

// What a render needs of the run that drives it.
struct RenderPacing {
    using Phase = GenerationHost::Phase;
    // A phase begins.
    std::function<void(Phase)> m_beginPhase;
    // A progress point of a phase, after frame index of total (index < total);
    // bytesWritten counts what the sink has written so far. Serves the host.
    std::function<void(Phase, std::uint64_t index, std::uint64_t total, std::uint64_t bytesWritten)> m_progress;
    // Serves the host without a progress point (level finishing in memory).
    std::function<void()> m_serve;
    // Whether the run may go on, as the host last answered.
    std::function<bool()> m_keepGoing;
    // A phase's loop is over, completed or cut short.
    std::function<void(Phase)> m_endPhase;
};

struct RenderPlan {
    StreamLayout m_layout;
    double m_dVolume = 0.0;
    std::int32_t m_nFadeFrames = 0;  // fade in and out; a loop has none
    // An excerpt of a longer sound keeps that sound's fades: its first frame
    // is frame m_nFadeOffset of m_nWholeFrames (0: the sound is whole).
    std::uint64_t m_nFadeOffset = 0;
    std::uint64_t m_nWholeFrames = 0;
    // The sound's DC offset was taken off where it arose: no mean is taken
    // off (LevelFinisher::KeepMeans).
    bool m_bKeepMeans = false;
};

// The passes, each over the sound in order:
//
//   1. Generating  synthesise every frame of the layout
//   2. (finishing) survey the sound's sums and extremes (LevelFinisher), keep
//                  a loop's head and fade the overlap into it; with level
//                  evening, survey its loudness too and plan the evening gain
//   3. Measuring   (a) only with level evening: the peak of the evened sound
//                  (b) only with a meter: the finished sound shown to the meter
//   4. Writing     the finished sound, times the meter's gain, to the sink
//
// A piece is finished by taking the means off, multiplying it by the evening
// gain (with level evening), scaling its peak to the volume and fading it.
// The evening gain changes the peak, so with it the peak comes from a pass
// over the evened sound instead of from the survey's extremes.
//
// Where the sound waits between the passes decides how they go:
//
//  - In memory, whole (HoldWholeOutput; the desktop program): pass 1 fills
//    the buffer in batches of 1000 grains with a progress point after each;
//    pass 2 finishes the buffer in place in four passes (LevelFinisher's
//    sums, means, peak, scale and fade), serving the host every 100000 frames
//    of each; pass 4 writes it in blocks that end at every 1000th frame, with
//    a progress point after each. A plain sound only, never evened.
//  - Windows of kWindowFrames: pass 1 surveys each window as it is made and
//    sets it aside in a spill on disk (SetSpill), or without one passes 3 and
//    4 synthesise it again; each piece is finished on its way out.
//
// Every frame gets the same arithmetic in the same order either way, so a
// plain sound has the same bits whatever the windows and the threads.
//
// The keep-going answer is looked at before each window, batch or block. A
// cancel in passes 1 to 3 leaves the sink as it was created; in pass 4 it
// finishes the sink with the frames written so far. Failures of the spill or
// the sink raise FileException.
class RenderPipeline {
public:
    using Phase = GenerationHost::Phase;

    enum class Outcome { Completed, Cancelled, NoWindowMemory, NoOutputMemory };

    static constexpr std::uint64_t kWindowFrames = 1 << 16;

    RenderPipeline(SoundSynthesis& synthesis, const RenderPlan& plan, RenderPacing pacing);
    ~RenderPipeline();

    void SetAllocator(BufferAllocator allocate) { m_allocate = allocate; }
    // The whole sound waits in output, zeroed, which holds every frame of it.
    void HoldWholeOutput(std::span<StereoFrame> output);
    // Where pass 1 sets the windows aside; without one, later passes
    // synthesise them again.
    void SetSpill(std::unique_ptr<FrameSpill> spill);
    // Sees the finished sound before it is written; may be null.
    void SetMeter(FinishedSoundMeter* meter) { m_pMeter = meter; }
    // Measures how much of the sound lies below 20 Hz while it is surveyed;
    // may be null.
    void SetSubAudioMeter(SubAudioMeter* meter) { m_pSubAudio = meter; }
    // Evens the sound's level by a slow gain planned from its survey; may be
    // null. Windows only: a sound held whole (HoldWholeOutput) is finished in
    // place without a loudness survey, so Run refuses the two together with
    // std::logic_error.
    void SetLevelEvening(LevelEvening* evening) { m_pEvening = evening; }

    Outcome Run(FrameSink& sink);

    std::uint64_t GetFramesWritten() const { return m_nFramesWritten; }
    const LevelFinisher& GetFinisher() const { return m_finisher; }
    // The peak of the sound as synthesised, after its means are taken off and
    // before it is evened or scaled (without level evening, the finisher's).
    float GetSynthesisedPeak() const { return m_fSynthesisedPeak; }
    // How long level finishing in memory took, in seconds (0 for windows).
    double GetFinishingSeconds() const { return m_dFinishingSeconds; }

private:
    using PieceAction = std::function<void(std::span<StereoFrame> piece, std::uint64_t first)>;

    bool AllocateBuffers();
    std::optional<Outcome> SynthesiseWhole();
    void FinishWhole();
    std::optional<Outcome> SynthesiseWindows();
    void SurveyWindow(std::span<StereoFrame> window, std::uint64_t first);
    void SurveyHead();
    void FindSurveyedPeak();
    bool FindEvenedPeak();
    void Even(std::span<StereoFrame> piece, std::uint64_t first) const;
    void FinishPiece(std::span<StereoFrame> piece, std::uint64_t first) const;
    bool Measure();
    void Write(FrameSink& sink);
    void WriteWhole(FrameSink& sink);
    bool ForEachFinishedPiece(Phase phase, const PieceAction& action);
    bool ForEachSurveyedPiece(Phase phase, const PieceAction& action);
    bool ForEachWholePiece(Phase phase, const PieceAction& action);
    bool ForEachHeadPiece(Phase phase, const PieceAction& action);
    bool ForEachSpilledPiece(Phase phase, const PieceAction& action);
    bool ForEachSynthesisedPiece(Phase phase, const PieceAction& action);
    void ReportProgress(Phase phase, std::uint64_t index, std::uint64_t total);

    SoundSynthesis& m_synthesis;
    RenderPlan m_plan;
    RenderPacing m_pacing;
    BufferAllocator m_allocate = SystemAllocate;
    std::span<StereoFrame> m_whole;
    bool m_bWhole = false;
    std::unique_ptr<FrameSpill> m_pSpill;
    FinishedSoundMeter* m_pMeter = nullptr;
    SubAudioMeter* m_pSubAudio = nullptr;
    LevelEvening* m_pEvening = nullptr;
    FrameSink* m_pSink = nullptr;

    LevelFinisher m_finisher;
    SoundBuffer m_window;
    std::optional<LoopSeam> m_seam;
    double m_dGain = 1.0;
    float m_fSynthesisedPeak = 0.0f;
    std::uint64_t m_nFramesWritten = 0;
    double m_dFinishingSeconds = 0.0;
};
