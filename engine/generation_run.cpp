// The run as a whole: the order of its phases, its buffers, its progress
// points and how it ends after a failure.
#include "engine/generation_run.h"

#include <chrono>
#include <cmath>
#include <cstdio>
#include <utility>

#include "wav/file_exception.h"
#include "resources/strings/format_string.h"
#include "engine/message_box.h"
#include "engine/progress_text.h"
#include "resources/strings/string_table.h"

namespace {

constexpr int kFinished = 100;
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

// Runs phase, stores its duration in seconds and answers its result.
template <typename Phase>
int Timed(double& seconds, PhaseStopwatch& stopwatch, Phase phase)
{
    stopwatch.Lap();
    const int result = phase();
    seconds = stopwatch.Lap();
    return result;
}

void CloseQuietly(WaveFile& file)
{
    try {
        file.CloseFile();
    } catch (const FileException&) {
        // The run is already ending because of an error; this one adds nothing.
    }
}

}  // namespace

GenerationRun::GenerationRun(GenerationHost& host)
    : m_host(host)
    , m_clock(SystemClockSeconds)
{
}

GenerationRun::~GenerationRun()
{
    FreeBuffers();
}

void GenerationRun::SetClock(WallClock clock)
{
    m_clock = clock ? std::move(clock) : WallClock(SystemClockSeconds);
}

void GenerationRun::SeedRandom()
{
    m_synthesizer.SetRandomState(RandomGenerator::SeedFromTime(static_cast<std::uint32_t>(Now())));
}

void GenerationRun::Run()
{
    try {
        RunPhases();
    } catch (const FileException& error) {
        AbandonAfterError(IDS_ERR_FILE_FAILURE, error.what());
    } catch (const std::exception& error) {
        AbandonAfterError(IDS_ERR_UNEXPECTED, error.what());
    }
}

void GenerationRun::RunPhases()
{
    m_phaseTimes = PhaseTimes{};
    PhaseStopwatch stopwatch;
    m_nFramesWritten = 0;
    m_bOutputCreated = false;
    if (m_input.OpenForRead(m_settings.m_strInputPath, kRunSampleRate) != 0) {
        ShowError(IDS_ERR_OPEN_INPUT);
        return;
    }
    if (m_bKeepGoing == 0)
        return;
    // Checked before the output is created, so a refused input leaves an
    // existing file of the output's name untouched.
    if (!IsSourceLongEnough()) {
        RefuseShortSource();
        m_input.CloseFile();
        return;
    }
    if (m_output.CreateForWrite(m_settings.m_strOutputPath, kRunSampleRate) != 0) {
        ShowError(IDS_ERR_CREATE_OUTPUT);
        return;
    }
    m_bOutputCreated = true;
    const int loaded = LoadSource();
    m_phaseTimes.m_dLoading = stopwatch.Lap();
    if (loaded != 0) {
        m_input.CloseFile();
        FreeBuffers();
        return;
    }
    if (m_bKeepGoing == 0 || Timed(m_phaseTimes.m_dAllocating, stopwatch, [this] { return AllocateOutput(); }) != 0 ||
        Timed(m_phaseTimes.m_dSynthesizing, stopwatch, [this] { return SynthesizeGrains(); }) != 0) {
        FreeBuffers();
        return;
    }
    int result = 0;
    if (m_bKeepGoing == 1) {
        Timed(m_phaseTimes.m_dFinishing, stopwatch, [this] {
            FinishLevels();
            return 0;
        });
        result = Timed(m_phaseTimes.m_dWriting, stopwatch, [this] { return WriteOutput(); });
    }
    FreeBuffers();
    if (m_bKeepGoing == 1 && result == 0) {
        m_host.ShowMessage(IDS_GENERATION_DONE, LoadResourceString(IDS_GENERATION_DONE),
                           MB_OK | MB_ICONINFORMATION);
    }
}

// A file that failed below the run (disk full, I/O error) or an error nobody
// expected: release everything, and remove the output, which this run created
// and can no longer complete, so no broken WAV file is left behind.
void GenerationRun::AbandonAfterError(int stringId, const std::string& reason)
{
    FreeBuffers();
    CloseQuietly(m_input);
    CloseQuietly(m_output);
    if (m_bOutputCreated)
        std::remove(m_settings.m_strOutputPath.c_str());
    m_host.ShowMessage(stringId, FormatResourceString(stringId, {reason}), MB_OK | MB_ICONEXCLAMATION);
}

int GenerationRun::AllocateOutput()
{
    const std::int64_t frames = static_cast<std::int64_t>(m_settings.m_nDurationSeconds) * kRunSampleRate;
    if (frames < 0 || frames > kMaxOutputFrames) {
        ShowError(IDS_ERR_OUTPUT_MEMORY);
        return 1;
    }
    std::optional<SoundBuffer> output = SoundBuffer::Allocate(m_allocate, static_cast<std::uint64_t>(frames));
    if (!output) {
        ShowError(IDS_ERR_OUTPUT_MEMORY);
        return 1;
    }
    m_outputBuffer = std::move(*output);
    return 0;
}

void GenerationRun::FreeBuffers()
{
    m_synthesizer.End();  // it reads the SourceBuffer
    m_sourceBuffer = SoundBuffer();
    m_outputBuffer = SoundBuffer();
}

// Called at every 1000th iteration of the loading, grain and writing loops.
void GenerationRun::ProgressPoint(GenerationHost::Phase phase, std::uint64_t done, std::uint64_t total)
{
    if (m_bShowProgress == 1) {
        const double fraction = static_cast<double>(done) / static_cast<double>(total);
        const int percent = static_cast<int>(fraction * 100);
        m_host.SetBarPosition(phase, percent);
        m_host.SetPercentText(phase, percent);
        if (phase == GenerationHost::Phase::Writing)
            m_host.SetWrittenSizeText(FormatWrittenSize());
        m_host.SetTimeLeftText(FormatTimeLeft(fraction));
    }
    m_host.PumpMessages();
}

// A loop's bar and percentage end at 100, also when a cancel cut it short.
void GenerationRun::EndPhase(GenerationHost::Phase phase)
{
    m_host.SetBarPosition(phase, kFinished);
    m_host.SetPercentText(phase, kFinished);
}

void GenerationRun::ShowError(int stringId)
{
    const char* text = LoadResourceString(stringId);
    m_host.ShowMessage(stringId, text != nullptr ? text : "", MB_OK | MB_ICONEXCLAMATION);
}

std::string GenerationRun::FormatTimeLeft(double fraction)
{
    m_nElapsed = static_cast<std::int32_t>(Now() - m_tPhaseStart);
    return ::FormatTimeLeft(m_nElapsed, fraction);
}

std::string GenerationRun::FormatWrittenSize() const
{
    return ::FormatWrittenSize(m_nFramesWritten);
}
