// One generation run: from an input sound and its settings to a finished
// output, in five phases (load, allocate, synthesise grains, finish levels,
// write), reporting to its host as it goes.
#pragma once

#include <cstdint>
#include <functional>
#include <memory>
#include <optional>
#include <span>
#include <string>

#include "engine/buffer_allocator.h"
#include "engine/generation_host.h"
#include "engine/generation_settings.h"
#include "engine/phase_times.h"
#include "engine/run_outcome.h"
#include "engine/sound_source.h"
#include "engine/stereo_frame.h"
#include "engine/streaming/streaming_options.h"
#include "engine/synthesis/synthesis_options.h"
#include "engine/wall_clock.h"
#include "engine/zeroed_buffer.h"

class FinishedSoundMeter;
class FrameSink;
class FrameSpill;
class GrainSynthesizer;
struct StreamLayout;

// Called once with the whole finished sound, in place, after level finishing
// and before writing.
using FinishedSoundHook = std::function<void(std::span<StereoFrame> sound)>;

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
// Streaming (SetStreaming): instead of allocating the whole output, the run
// synthesises it window by window in bounded memory, surveys its level on the
// way, sets it aside on disk or synthesises it again, and finishes and writes
// it piece by piece (see StreamedRender). A plain streamed sound has the same
// bits as the whole-output run. It can also be a seamless loop.
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
    void SetFinishedSoundHook(FinishedSoundHook hook) { m_finishedSoundHook = std::move(hook); }

    // Streams the output instead of holding it (the finished-sound hook is
    // then not called; a meter takes its place).
    void SetStreaming(const StreamingOptions& options) { m_streaming = options; }
    // With streaming: sees the whole finished sound before it is written and
    // answers the gain to write it with.
    void SetFinishedSoundMeter(std::unique_ptr<FinishedSoundMeter> meter);
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
    bool AllocateOutput();
    bool SynthesizeGrains();
    void FinishLevels();
    void WriteOutput();
    void ReleaseBuffers();
    // In place of allocating, synthesising, finishing and writing.
    RunOutcome StreamOutput();
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
    FinishedSoundHook m_finishedSoundHook;
    std::optional<StreamingOptions> m_streaming;
    std::unique_ptr<FinishedSoundMeter> m_pMeter;
    PhaseTimes m_phaseTimes;

    std::unique_ptr<SoundSource> m_pSource;
    std::unique_ptr<FrameSink> m_pSink;
    std::unique_ptr<GrainSynthesizer> m_pSynthesizer;
    SoundBuffer m_sourceBuffer;
    SoundBuffer m_outputBuffer;

    bool m_bKeepGoing = false;       // false once the host has answered no
    bool m_bOutputCreated = false;
    bool m_bSpilled = false;
    int m_nFailureId = 0;            // the message of the phase that failed
    std::uint64_t m_nFramesWritten = 0;
    std::int64_t m_tPhaseStart = 0;  // when the current phase began, wall-clock seconds
};
