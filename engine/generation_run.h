// One generation run: from an input WAV file and its settings to a finished
// ambient WAV file, in five phases (load, allocate, synthesise grains, finish
// levels, write), reporting to its host as it goes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/buffer_allocator.h"
#include "engine/generation_host.h"
#include "engine/generation_settings.h"
#include "engine/phase_times.h"
#include "engine/stereo_frame.h"
#include "engine/synthesis/grain_synthesizer.h"
#include "engine/synthesis/synthesis_options.h"
#include "engine/wall_clock.h"
#include "engine/zeroed_buffer.h"
#include "wav/wave_file.h"

// The owner fills the settings, seeds the generator, sets the keep-going flag to
// 1 and calls Run once, on the thread that serves the host. Run returns after
// success, failure or cancel; the outcome shows only as the message it showed
// through the host (none after a cancel). No exception leaves Run.
//
// Cancelling: the host clears the keep-going flag (SetKeepGoing(0)) from inside
// PumpMessages. The run looks at it after opening the input, after loading,
// before each grain, before finishing the levels, before each frame written and
// at the end.
//
// Threads: grain synthesis adds its grains on worker threads as well (see
// SetSynthesisOptions). They only compute, are started and joined within
// SynthesizeGrains, and never call the host; the output does not depend on
// how many there are.
//
// The two WaveFile objects live as long as the run: a file that an early end
// leaves open (the bare output header, say) is closed when the run is destroyed.
class GenerationRun {
public:
    explicit GenerationRun(GenerationHost& host);
    ~GenerationRun();
    GenerationRun(const GenerationRun&) = delete;
    GenerationRun& operator=(const GenerationRun&) = delete;

    // Settings are expected from FillSettings (paths and duration aside).
    void SetSettings(const GenerationSettings& settings) { m_settings = settings; }
    const GenerationSettings& GetSettings() const { return m_settings; }

    void SetKeepGoing(int keepGoing) { m_bKeepGoing = keepGoing; }
    int GetKeepGoing() const { return m_bKeepGoing; }
    // 1 while the displays may be refreshed at the next progress points.
    void SetShowProgress(int showProgress) { m_bShowProgress = showProgress; }
    int GetShowProgress() const { return m_bShowProgress; }

    // Kernel and threads of grain synthesis; the output is the same for all.
    void SetSynthesisOptions(const SynthesisOptions& options) { m_synthesis = options; }
    const SynthesisOptions& GetSynthesisOptions() const { return m_synthesis; }
    // How long each phase of the last Run took, measured on a steady clock.
    const PhaseTimes& GetPhaseTimes() const { return m_phaseTimes; }

    // Replaces the wall clock (seeding, phase timing) and the buffer allocator.
    void SetClock(WallClock clock);
    void SetAllocator(BufferAllocator allocate) { m_allocate = allocate; }

    // Seeds the generator from the wall clock.
    void SeedRandom();
    // Sets the generator's state directly, to repeat a run exactly.
    void SetRandomState(std::uint32_t state) { m_synthesizer.SetRandomState(state); }
    std::uint32_t GetRandomState() const { return m_synthesizer.GetRandomState(); }

    void Run();

    // The phases, in the order Run calls them. Those that answer an int give 0
    // for success and 1 for a failure whose message has been shown.
    int LoadSource();
    int AllocateOutput();
    int SynthesizeGrains();
    void FinishLevels();
    int WriteOutput();
    // Releases the sound buffers where they exist.
    void FreeBuffers();

    // Progress texts of the current phase.
    std::string FormatTimeLeft(double fraction);
    std::string FormatWrittenSize() const;

protected:
    GenerationSettings m_settings;
    int m_bKeepGoing = 0;
    int m_bShowProgress = 0;

    SoundBuffer m_sourceBuffer;
    SoundBuffer m_outputBuffer;

    std::uint32_t m_nFramesWritten = 0;
    std::int64_t m_tPhaseStart = 0;
    std::int32_t m_nElapsed = 0;

private:
    void RunPhases();
    void AbandonAfterError(int stringId, const std::string& reason);
    bool IsSourceLongEnough();
    std::uint64_t ConvertedSourceFrames() const;
    void RefuseShortSource();
    void ProgressPoint(GenerationHost::Phase phase, std::uint64_t done, std::uint64_t total);
    void EndPhase(GenerationHost::Phase phase);
    void ShowError(int stringId);
    std::int64_t Now() const { return m_clock(); }

    GenerationHost& m_host;
    WaveFile m_input;
    WaveFile m_output;
    bool m_bOutputCreated = false;
    GrainSynthesizer m_synthesizer;
    WallClock m_clock;
    BufferAllocator m_allocate = SystemAllocate;
    SynthesisOptions m_synthesis;
    PhaseTimes m_phaseTimes;
};
