// The desktop program's run, and the plain run of the engine's tests: one
// input file, one output file and the settings of the desktop's sliders,
// rendered as the one-layer score of those values by the one run every
// render goes through (ScoreRun).
#pragma once

#include <cstdint>
#include <memory>
#include <optional>

#include "engine/base/buffer_allocator.h"
#include "engine/base/wall_clock.h"
#include "engine/io/sound_source.h"
#include "engine/render/render_options.h"
#include "engine/run/generation_host.h"
#include "engine/run/generation_settings.h"
#include "engine/run/phase_times.h"
#include "engine/run/run_outcome.h"
#include "engine/run/score_run.h"
#include "engine/synthesis/synthesis_options.h"

class FinishedSoundMeter;
class FrameSink;
class LevelEvening;

// The owner fills the settings (ApplyParameters, the paths and the
// duration), seeds the generator and calls Run once, on the thread that
// serves the host; see ScoreRun for the phases, the host's part and how the
// output ends. The run opens its input through a SourceOpener at its start
// (a WAV file read by WaveFile unless replaced) and writes through a
// FrameSink (a WAV file written by WaveFile unless replaced). It holds its
// whole output in memory unless it is streamed.
class GenerationRun {
public:
    explicit GenerationRun(GenerationHost& host);
    ~GenerationRun();
    GenerationRun(const GenerationRun&) = delete;
    GenerationRun& operator=(const GenerationRun&) = delete;

    // Rendered from settings.m_values, the paths and the duration.
    void SetSettings(const GenerationSettings& settings) { m_settings = settings; }
    void SetSynthesisOptions(const SynthesisOptions& options) { m_run.SetSynthesisOptions(options); }

    // Seeds the generator from the wall clock.
    void SeedRandom();
    // Sets the generator's state directly, to repeat a run exactly.
    void SetRandomState(std::uint32_t state) { m_run.SetRandomState(state); }
    std::uint32_t GetRandomState() const { return m_run.GetRandomState(); }

    // Where the input comes from (OpenWaveSource unless replaced).
    void SetSourceOpener(SourceOpener opener);
    // Where the finished sound goes (a WaveFrameSink unless replaced).
    void SetSink(std::unique_ptr<FrameSink> sink);

    // Streams the output instead of holding it; a streamed run may loop.
    void SetStreaming(const StreamingOptions& options) { m_run.SetStreaming(options); }
    void SetLoop(bool loop) { m_bLoop = loop; }
    void SetFinishedSoundMeter(std::unique_ptr<FinishedSoundMeter> meter);
    void SetLevelEvening(std::unique_ptr<LevelEvening> evening);
    void MeasureSubAudio(bool measure) { m_run.MeasureSubAudio(measure); }
    std::optional<double> GetSubAudioShare() const { return m_run.GetSubAudioShare(); }
    bool DidSpill() const { return m_run.DidSpill(); }

    // Replace the wall clock (seeding, progress) and the buffer allocator.
    void SetClock(WallClock clock);
    void SetAllocator(BufferAllocator allocate) { m_run.SetAllocator(allocate); }

    RunOutcome Run();

    // How long each phase of the last Run took; loading counts from the
    // opening of the input.
    const PhaseTimes& GetPhaseTimes() const { return m_phaseTimes; }

private:
    GenerationHost& m_host;
    GenerationSettings m_settings;
    SourceOpener m_openSource;
    std::unique_ptr<FrameSink> m_pSink;
    bool m_bLoop = false;
    WallClock m_clock;
    ScoreRun m_run;
    PhaseTimes m_phaseTimes;
};
