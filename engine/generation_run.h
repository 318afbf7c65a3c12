// One generation run: from an input sound and its settings to a finished
// output, in five phases (load, allocate, synthesise grains, finish levels,
// write), reporting to its host as it goes.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <string>

#include "engine/buffer_allocator.h"
#include "engine/generation_host.h"
#include "engine/generation_settings.h"
#include "engine/phase_times.h"
#include "engine/run_outcome.h"
#include "engine/sound_source.h"
#include "engine/stereo_frame.h"
#include "engine/render/render_options.h"
#include "engine/synthesis/synthesis_options.h"
#include "engine/wall_clock.h"
#include "engine/zeroed_buffer.h"

class FinishedSoundMeter;
class FrameSink;
class FrameSpill;
class GrainSynthesizer;
class LevelEvening;
class OctaveLevels;
class SoundSynthesis;
class SplineTerms;
struct StreamLayout;

// The owner fills the settings, seeds the generator and calls Run once, on
// the thread that serves the host. Run returns after success, failure or
// cancel, having shown its own message through the host (none after a
// cancel), and says which it was. No exception leaves Run.
//
// The run opens its input through a SourceOpener and writes through a
// FrameSink; by default those read and write WAV files through WaveFile. The
// run looks at its host's KeepGoing answers after opening the input, after
// loading, before each grain, before finishing the levels, before each frame
// written and at the end.
//
// What the output path holds when the run ends is the sink's to keep: the WAV
// sink has written the bare header once the output is created, completes the
// file when writing ends (also after a cancel, with the frames written so
// far), and removes it when the run fails on a file error. The input and the
// output stay open, where an early end leaves them so, until the run is
// destroyed.
//
// The sound is rendered by a RenderPipeline. By default the run holds the
// whole output in memory (allocated in a phase of its own), synthesises it
// there, finishes it in place and writes it. Streaming (SetStreaming): the
// run synthesises it window by window in bounded memory instead, surveys its
// level on the way, sets it aside on disk or synthesises it again, and
// finishes and writes it piece by piece. A plain streamed sound has the same
// bits as the whole-output run. It can also be a seamless loop.
//
// Before synthesis the source is prepared for the grains: high-passed when
// the settings ask for a low cut, and given the octave levels that grains
// transposed upwards read from.
//
// Threads: grain synthesis adds its grains on worker threads as well (see
// SetSynthesisOptions). They only compute, are started and joined within the
// synthesis phase, and never call the host; the output does not depend on
// how many there are.
class GenerationRun {
public:
    explicit GenerationRun(GenerationHost& host);
    ~GenerationRun();
    GenerationRun(const GenerationRun&) = delete;
    GenerationRun& operator=(const GenerationRun&) = delete;

    // Settings are expected from FillSettings (paths and duration aside).
    void SetSettings(const GenerationSettings& settings) { m_settings = settings; }
    // Kernel and threads of grain synthesis; the output is the same for all.
    void SetSynthesisOptions(const SynthesisOptions& options) { m_synthesis = options; }

    // Seeds the generator from the wall clock.
    void SeedRandom();
    // Sets the generator's state directly, to repeat a run exactly.
    void SetRandomState(std::uint32_t state);
    std::uint32_t GetRandomState() const;

    // Where the input comes from (OpenWaveSource unless replaced).
    void SetSourceOpener(SourceOpener opener);
    // Where the finished sound goes (a WaveFrameSink unless replaced).
    void SetSink(std::unique_ptr<FrameSink> sink);

    // The sound is synthesis's (a score's layers, their sources loaded and
    // prepared beforehand) instead of grains from one input: the run opens
    // and loads no input, and streams its output (SetStreaming is needed).
    // synthesis stays in place while the run lasts.
    void SetSynthesis(SoundSynthesis* synthesis) { m_pGivenSynthesis = synthesis; }
    // The sound is an excerpt of a longer one, whose fades it keeps where it
    // overlaps them: its first frame is frame offset of wholeFrames.
    void SetExcerptPlace(std::uint64_t offset, std::uint64_t wholeFrames) { m_fadePlace = {offset, wholeFrames}; }
    // The synthesis took the sound's DC offset off where it arose: level
    // finishing takes no mean off (see LevelFinisher::KeepMeans).
    void KeepMeans(bool keep) { m_bKeepMeans = keep; }
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
    // After a completed run that measured it: the share of the finished
    // sound's peak that its part below 20 Hz reaches (0 to about 1).
    std::optional<double> GetSubAudioShare() const { return m_subAudioShare; }
    // After a completed run: the peak of the sound as synthesised, before the
    // finishing scaled it (with its means taken off, when they are).
    float GetSynthesisedPeak() const { return m_fSynthesisedPeak; }
    // Whether the last streamed run set its sound aside on disk (else it
    // synthesised it again for each later pass).
    bool DidSpill() const { return m_bSpilled; }

    // Replace the wall clock (seeding, phase timing) and the buffer allocator.
    void SetClock(WallClock clock);
    void SetAllocator(BufferAllocator allocate) { m_allocate = allocate; }

    RunOutcome Run();

    // How long each phase of the last Run took, measured on a steady clock.
    const PhaseTimes& GetPhaseTimes() const { return m_phaseTimes; }

private:
    using Phase = GenerationHost::Phase;

    RunOutcome RunPhases();
    RunOutcome Abandon(int stringId, const std::string& reason);
    RunOutcome Fail(const RunMessage& message);

    // The phases, in the order Run calls them. Those that answer false have
    // shown their failure.
    bool LoadSource();
    bool PrepareSource();
    bool AllocateOutput();
    RunOutcome RenderOutput();
    void ReleaseBuffers();
    std::unique_ptr<FrameSpill> MakeSpill(const StreamLayout& layout);
    void PrepareSynthesizer();

    bool IsSourceLongEnough() const;
    RunOutcome RefuseShortSource();
    void ProgressPoint(Phase phase, std::uint64_t done, std::uint64_t total);
    void ServeHost();
    void EndPhase(Phase phase);
    std::int64_t Now() const { return m_clock(); }

    GenerationHost& m_host;
    GenerationSettings m_settings;
    SynthesisOptions m_synthesis;
    WallClock m_clock;
    BufferAllocator m_allocate = SystemAllocate;
    SourceOpener m_openSource;
    std::optional<StreamingOptions> m_streaming;
    std::unique_ptr<FinishedSoundMeter> m_pMeter;
    std::unique_ptr<LevelEvening> m_pEvening;
    bool m_bMeasureSubAudio = false;
    std::optional<double> m_subAudioShare;
    float m_fSynthesisedPeak = 0.0f;
    bool m_bKeepMeans = false;
    PhaseTimes m_phaseTimes;

    SoundSynthesis* m_pGivenSynthesis = nullptr;
    struct FadePlace {
        std::uint64_t m_nOffset = 0;
        std::uint64_t m_nWholeFrames = 0;  // 0: the sound is whole
    } m_fadePlace;
    std::unique_ptr<SoundSource> m_pSource;
    std::unique_ptr<FrameSink> m_pSink;
    std::unique_ptr<GrainSynthesizer> m_pSynthesizer;
    SoundBuffer m_sourceBuffer;
    std::unique_ptr<OctaveLevels> m_pLevels;  // the SourceBuffer and its octave levels
    std::unique_ptr<SplineTerms> m_pSplineTerms;  // their spline coefficients, for transposed grains
    SoundBuffer m_outputBuffer;

    bool m_bKeepGoing = false;       // false once the host has answered no
    bool m_bOutputCreated = false;
    bool m_bSpilled = false;
    int m_nFailureId = 0;            // the message of the phase that failed
    std::uint64_t m_nFramesWritten = 0;
    std::uint64_t m_nBytesWritten = 0;
    std::int64_t m_tPhaseStart = 0;  // when the current phase began, wall-clock seconds
};
