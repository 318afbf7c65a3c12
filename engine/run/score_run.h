// The one run every render goes through: a score (a plain run is a score of
// one layer) turned into a piece, rendered by a pipeline through a chain of
// finishing stages into a sink, in phases (load, allocate, synthesise, finish,
// write), reporting to its host as it goes.
#pragma once

#include <cstdint>
#include <map>
#include <memory>
#include <optional>
#include <span>
#include <string>
#include <utility>
#include <vector>

#include "engine/base/buffer_allocator.h"
#include "engine/base/stereo_frame.h"
#include "engine/base/wall_clock.h"
#include "engine/base/zeroed_buffer.h"
#include "engine/io/sound_source.h"
#include "engine/render/render_options.h"
#include "engine/render/render_pipeline.h"
#include "engine/run/generation_host.h"
#include "engine/run/phase_times.h"
#include "engine/run/run_failure.h"
#include "engine/run/run_outcome.h"
#include "engine/score/score.h"
#include "engine/synthesis/sound_chain.h"
#include "engine/synthesis/synthesis_options.h"

class FinishedSoundMeter;
class FinishingChain;
class FrameSink;
class FrameSpill;
class LevelEvening;
class ScorePiece;
struct StreamLayout;

// The owner gives the score, where each of its sources comes from and where
// the sound goes, seeds the generator and calls Run once, on the thread that
// serves the host. Run returns after success, failure or cancel, having had
// its host show why (nothing after a cancel), and says which it was. No
// exception leaves Run.
//
// The run opens no file: its sources come as SoundSources, which it reads in
// its loading phase, or as sounds in memory; its output is a FrameSink, which
// it creates under the name it was given. It looks at its host's KeepGoing
// answers after loading, before each grain (or window), before each frame
// written and at the end.
//
// Before anything is created, each layer's stretch of its source is checked
// against the longest read of its grains: a source that is too short leaves
// an existing output untouched. The sink keeps what its kind keeps of an
// output the run leaves early; after a file error it drops it.
//
// The sound is rendered by a RenderPipeline. By default the run holds the
// whole output in memory (allocated in a phase of its own), synthesises it
// there, finishes it in place and writes it: the desktop program's run.
// Streaming (SetStreaming): the run synthesises it window by window in bounded
// memory instead, surveys it on the way, sets it aside on disk or synthesises
// it again, and finishes and writes it piece by piece; a looping score then
// loops seamlessly. A plain sound has the same bits either way.
//
// Threads: grain synthesis adds its grains on worker threads as well (see
// SetSynthesisOptions). They only compute, are started and joined within the
// synthesis phase, and never call the host; the output does not depend on
// how many there are.
class ScoreRun {
public:
    explicit ScoreRun(GenerationHost& host);
    ~ScoreRun();
    ScoreRun(const ScoreRun&) = delete;
    ScoreRun& operator=(const ScoreRun&) = delete;

    // What is rendered: the whole track of score, or frames [firstFrame,
    // firstFrame + frames) of it (an excerpt keeps the track's fades where it
    // overlaps them, and an excerpt of a loop neither fades nor loops).
    void SetScore(const Score& score) { m_score = score; }
    void SetExcerpt(std::uint64_t firstFrame, std::uint64_t frames);
    // Where the sound of a source path the layers name comes from: read from
    // source in the loading phase, or sound, decoded already, which stays in
    // place while the run lasts.
    void SetSource(const std::string& path, std::unique_ptr<SoundSource> source);
    void SetSourceSound(const std::string& path, std::span<const StereoFrame> sound);
    // Where the finished sound goes, created as outputName.
    void SetSink(std::unique_ptr<FrameSink> sink, std::string outputName);

    // Kernel and threads of grain synthesis; the output is the same for all.
    void SetSynthesisOptions(const SynthesisOptions& options) { m_synthesis = options; }
    // The generator's state the run starts from, to repeat a run exactly.
    void SetRandomState(std::uint32_t state) { m_nState = state; }
    // The state set, or after a run that synthesised, where the first layer's
    // walk got to.
    std::uint32_t GetRandomState() const { return m_nState; }

    // Streams the output instead of holding it.
    void SetStreaming(const StreamingOptions& options) { m_streaming = options; }
    // Sees the whole finished sound before it is written and answers the gain
    // to write it with.
    void SetFinishedSoundMeter(std::unique_ptr<FinishedSoundMeter> meter);
    // Evens the level of a streamed run's sound by a slow gain planned from
    // its survey, before the volume (or the meter) sets its level. A run that
    // holds its whole output leaves its level as the grains make it.
    void SetLevelEvening(std::unique_ptr<LevelEvening> evening);
    // Measures, while the level is surveyed, how much of the sound's peak
    // lies below 20 Hz (see GetSubAudioShare).
    void MeasureSubAudio(bool measure) { m_bMeasureSubAudio = measure; }
    // Measures besides how far each layer's part below 20 Hz reaches in the
    // mix (see GetLayerSubAudioPeaks).
    void MeasureLayerSubAudio(bool measure) { m_bMeasureLayerSubAudio = measure; }
    // Makes the chains of the score's effects; none: the layers are mixed dry.
    void SetChainMaker(SoundChainMaker make) { m_makeChain = std::move(make); }

    // Replace the wall clock (progress) and the buffer allocator.
    void SetClock(WallClock clock);
    void SetAllocator(BufferAllocator allocate) { m_allocate = allocate; }

    RunOutcome Run();

    // How long each phase of the last Run took, measured on a steady clock.
    const PhaseTimes& GetPhaseTimes() const { return m_phaseTimes; }
    // After a completed run that measured it: the share of the finished
    // sound's peak that its part below 20 Hz reaches (0 to about 1).
    std::optional<double> GetSubAudioShare() const { return m_subAudioShare; }
    // After a completed run that measured them: how far each layer's part
    // below 20 Hz reached, in the layers' order, in the units of
    // GetSynthesisedPeak.
    const std::vector<double>& GetLayerSubAudioPeaks() const { return m_layerSubAudio; }
    // After a completed run: the peak of the sound as synthesised, before the
    // finishing scaled it (with its means taken off, when they are).
    float GetSynthesisedPeak() const { return m_fSynthesisedPeak; }
    // Whether the last streamed run set its sound aside on disk (else it
    // synthesised it again for each later pass).
    bool DidSpill() const { return m_bSpilled; }

private:
    using Phase = GenerationHost::Phase;

    // Where a source's sound comes from, and once loaded, where it is.
    struct Source {
        std::unique_ptr<SoundSource> m_pSource;  // read in the loading phase; null: given as a sound
        std::span<const StereoFrame> m_sound;
        SoundBuffer m_loaded;
    };

    RunOutcome RunPhases();
    RunOutcome Abandon(RunFailure::Kind kind, const std::string& reason);
    RunOutcome Fail(const RunFailure& failure);

    // The phases, in the order Run calls them. Those that answer false have
    // had their failure shown.
    bool PlanPiece();
    bool LoadSources();
    bool LoadSource(Source& source);
    bool PreparePiece();
    bool AllocateOutput();
    RunOutcome RenderOutput();
    RenderPipeline::Outcome RunPipeline(const StreamLayout& layout, const FinishingChain& chain, RenderPacing pacing);
    void Release();
    void CloseSources();
    std::unique_ptr<FrameSpill> MakeSpill(const StreamLayout& layout);

    std::uint64_t OutputFrames() const;
    void ProgressPoint(Phase phase, std::uint64_t done, std::uint64_t total);
    void ServeHost();
    std::int64_t Now() const { return m_clock(); }

    GenerationHost& m_host;
    Score m_score;
    std::uint64_t m_nExcerptFirst = 0;
    std::uint64_t m_nExcerptFrames = 0;  // 0: the whole track
    std::map<std::string, Source> m_sources;
    std::unique_ptr<FrameSink> m_pSink;
    std::string m_strOutputName;
    SynthesisOptions m_synthesis;
    std::uint32_t m_nState = 0;
    std::optional<StreamingOptions> m_streaming;
    std::unique_ptr<FinishedSoundMeter> m_pMeter;
    std::unique_ptr<LevelEvening> m_pEvening;
    bool m_bMeasureSubAudio = false;
    bool m_bMeasureLayerSubAudio = false;
    SoundChainMaker m_makeChain;
    WallClock m_clock;
    BufferAllocator m_allocate = SystemAllocate;

    std::unique_ptr<ScorePiece> m_pPiece;
    SoundBuffer m_outputBuffer;
    PhaseTimes m_phaseTimes;
    std::optional<double> m_subAudioShare;
    std::vector<double> m_layerSubAudio;
    float m_fSynthesisedPeak = 0.0f;
    bool m_bSpilled = false;
    bool m_bKeepGoing = false;  // false once the host has answered no
    bool m_bOutputCreated = false;
    RunFailure::Kind m_failure = RunFailure::Kind::Unexpected;  // of the phase that failed
    std::uint64_t m_nFramesWritten = 0;
    std::uint64_t m_nBytesWritten = 0;
    std::int64_t m_tPhaseStart = 0;  // when the current phase began, wall-clock seconds
};
