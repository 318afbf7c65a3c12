// The run as a whole: the order of its phases, its buffers, its progress
// points and how it ends after a failure.
#include "engine/run/generation_run.h"

#include <chrono>
#include <utility>

#include "engine/io/frame_sink.h"
#include "engine/finishing/level_evening.h"
#include "engine/finishing/finished_sound_meter.h"
#include "engine/source/octave_levels.h"
#include "engine/source/spline_terms.h"
#include "engine/synthesis/grain_synthesizer.h"
#include "engine/io/wave_frame_sink.h"
#include "engine/io/wave_sound_source.h"
#include "resources/strings/resource_ids.h"
#include "wav/file_exception.h"

namespace {

// The size fields of a WAV header count bytes in 32 bits: RIFF size = 36 + 4 × frames.
constexpr std::int64_t kMaxOutputFrames = (0xFFFFFFFFLL - 36) / 4;

// Seconds since it was made or since the last lap, on a steady clock.
class PhaseStopwatch {
public:
    double Lap()
    {
        const auto now = std::chrono::steady_clock::now();
        const std::chrono::duration<double> seconds = now - m_start;
        m_start = now;
        return seconds.count();
    }

private:
    std::chrono::steady_clock::time_point m_start = std::chrono::steady_clock::now();
};

// Runs phase and stores its duration in seconds.
template <typename Phase>
auto Timed(double& seconds, PhaseStopwatch& stopwatch, Phase phase)
{
    stopwatch.Lap();
    const auto result = phase();
    seconds = stopwatch.Lap();
    return result;
}

void CloseQuietly(SoundSource& source)
{
    try {
        source.Close();
    } catch (const FileException&) {
        // The run is already ending because of an error; this one adds nothing.
    }
}

}  // namespace

GenerationRun::GenerationRun(GenerationHost& host)
    : m_host(host)
    , m_clock(SystemClockSeconds)
    , m_openSource(OpenWaveSource)
    , m_pSynthesizer(std::make_unique<GrainSynthesizer>())
{
}

GenerationRun::~GenerationRun()
{
    ReleaseBuffers();
}

void GenerationRun::SetClock(WallClock clock)
{
    m_clock = clock ? std::move(clock) : WallClock(SystemClockSeconds);
}

void GenerationRun::SetSourceOpener(SourceOpener opener)
{
    m_openSource = opener ? std::move(opener) : SourceOpener(OpenWaveSource);
}

void GenerationRun::SetSink(std::unique_ptr<FrameSink> sink)
{
    m_pSink = std::move(sink);
}

void GenerationRun::SetFinishedSoundMeter(std::unique_ptr<FinishedSoundMeter> meter)
{
    m_pMeter = std::move(meter);
}

void GenerationRun::SetLevelEvening(std::unique_ptr<LevelEvening> evening)
{
    m_pEvening = std::move(evening);
}

void GenerationRun::SeedRandom()
{
    SetRandomState(RandomGenerator::SeedFromTime(static_cast<std::uint32_t>(Now())));
}

void GenerationRun::SetRandomState(std::uint32_t state)
{
    m_pSynthesizer->SetRandomState(state);
}

std::uint32_t GenerationRun::GetRandomState() const
{
    return m_pSynthesizer->GetRandomState();
}

RunOutcome GenerationRun::Run()
{
    RunOutcome outcome;
    try {
        outcome = RunPhases();
    } catch (const FileException& error) {
        outcome = Abandon(IDS_ERR_FILE_FAILURE, error.what());
    } catch (const std::exception& error) {
        outcome = Abandon(IDS_ERR_UNEXPECTED, error.what());
    }
    ReleaseBuffers();
    return outcome;
}

RunOutcome GenerationRun::RunPhases()
{
    m_phaseTimes = PhaseTimes{};
    PhaseStopwatch stopwatch;
    m_nFramesWritten = 0;
    m_nBytesWritten = 0;
    m_bOutputCreated = false;
    m_bSpilled = false;
    m_subAudioShare.reset();
    m_bKeepGoing = true;
    const bool given = m_pGivenSynthesis != nullptr;
    if (!given) {
        SourceOpening opening = m_openSource(m_settings.m_strInputPath);
        if (!opening.m_pSource)
            return Fail(opening.m_failure);
        m_pSource = std::move(opening.m_pSource);
        if (!m_bKeepGoing)
            return RunOutcome::Cancelled();
        // Checked before the output is created, so a refused input leaves an
        // existing file of the output's name untouched.
        if (!IsSourceLongEnough())
            return RefuseShortSource();
    }
    if (!m_pSink)
        m_pSink = std::make_unique<WaveFrameSink>();
    if (const std::optional<RunMessage> failure = m_pSink->Create(m_settings.m_strOutputPath))
        return Fail(*failure);
    m_bOutputCreated = true;

    if (!given) {
        const bool loaded = LoadSource();
        if (!loaded)
            m_pSource->Close();
        const bool prepared = loaded && PrepareSource();
        m_phaseTimes.m_dLoading = stopwatch.Lap();
        if (!prepared)
            return RunOutcome::Failed(m_nFailureId);
    }
    if (!m_bKeepGoing)
        return RunOutcome::Cancelled();
    if (!m_streaming && !Timed(m_phaseTimes.m_dAllocating, stopwatch, [this] { return AllocateOutput(); }))
        return RunOutcome::Failed(m_nFailureId);
    return RenderOutput();
}

// A file that failed below the run (disk full, I/O error) or an error nobody
// expected: release everything and let the sink drop the output, which this
// run created and can no longer complete.
RunOutcome GenerationRun::Abandon(int stringId, const std::string& reason)
{
    ReleaseBuffers();
    if (m_pSource)
        CloseQuietly(*m_pSource);
    if (m_bOutputCreated)
        m_pSink->Discard();
    return Fail(TableMessage(stringId, {reason}));
}

RunOutcome GenerationRun::Fail(const RunMessage& message)
{
    m_nFailureId = message.m_nStringId;
    m_host.ShowMessage(message, GenerationHost::MessageKind::Error);
    return RunOutcome::Failed(message.m_nStringId);
}

bool GenerationRun::AllocateOutput()
{
    const std::int64_t frames = static_cast<std::int64_t>(m_settings.m_nDurationSeconds) * kRunSampleRate;
    std::optional<SoundBuffer> output;
    if (frames >= 0 && frames <= kMaxOutputFrames)
        output = SoundBuffer::Allocate(m_allocate, static_cast<std::uint64_t>(frames));
    if (!output) {
        Fail(TableMessage(IDS_ERR_OUTPUT_MEMORY));
        return false;
    }
    m_outputBuffer = std::move(*output);
    return true;
}

void GenerationRun::ReleaseBuffers()
{
    m_pSynthesizer->End();  // it reads the SourceBuffer
    m_pSplineTerms.reset();
    m_pLevels.reset();
    m_sourceBuffer = SoundBuffer();
    m_outputBuffer = SoundBuffer();
}

// Called at every 1000th iteration of the loading, grain and writing loops
// (or after each window of a streamed run).
void GenerationRun::ProgressPoint(Phase phase, std::uint64_t done, std::uint64_t total)
{
    GenerationHost::Progress progress;
    progress.m_phase = phase;
    progress.m_dFraction = static_cast<double>(done) / static_cast<double>(total);
    progress.m_nPercent = static_cast<int>(progress.m_dFraction * 100);
    progress.m_nElapsedSeconds = static_cast<std::int32_t>(Now() - m_tPhaseStart);
    progress.m_nFramesWritten = phase == Phase::Writing ? m_nFramesWritten : 0;
    progress.m_nBytesWritten = phase == Phase::Writing ? m_nBytesWritten : 0;
    m_host.ReportProgress(progress);
    ServeHost();
}

// The host is served also after it has cancelled: a loop that goes on to its
// end (loading, finishing) keeps the window alive.
void GenerationRun::ServeHost()
{
    if (!m_host.KeepGoing())
        m_bKeepGoing = false;
}

// A loop's bar and percentage end at 100, also when a cancel cut it short.
void GenerationRun::EndPhase(Phase phase)
{
    m_host.EndPhase(phase);
}
