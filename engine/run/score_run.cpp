// The run as a whole: the order of its phases, its progress points and how it
// ends after a failure.
#include "engine/run/score_run.h"

#include <chrono>
#include <utility>

#include "engine/finishing/finished_sound_meter.h"
#include "engine/finishing/level_evening.h"
#include "engine/io/frame_sink.h"
#include "engine/run/score_piece.h"
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

ScoreRun::ScoreRun(GenerationHost& host)
    : m_host(host)
    , m_clock(SystemClockSeconds)
{
}

ScoreRun::~ScoreRun()
{
    Release();
}

void ScoreRun::SetExcerpt(std::uint64_t firstFrame, std::uint64_t frames)
{
    m_nExcerptFirst = firstFrame;
    m_nExcerptFrames = frames;
}

void ScoreRun::SetSource(const std::string& path, std::unique_ptr<SoundSource> source)
{
    Source& entry = m_sources[path];
    entry.m_pSource = std::move(source);
}

void ScoreRun::SetSourceSound(const std::string& path, std::span<const StereoFrame> sound)
{
    Source& entry = m_sources[path];
    entry.m_pSource.reset();
    entry.m_sound = sound;
}

void ScoreRun::SetSink(std::unique_ptr<FrameSink> sink, std::string outputName)
{
    m_pSink = std::move(sink);
    m_strOutputName = std::move(outputName);
}

void ScoreRun::SetFinishedSoundMeter(std::unique_ptr<FinishedSoundMeter> meter)
{
    m_pMeter = std::move(meter);
}

void ScoreRun::SetLevelEvening(std::unique_ptr<LevelEvening> evening)
{
    m_pEvening = std::move(evening);
}

void ScoreRun::SetClock(WallClock clock)
{
    m_clock = clock ? std::move(clock) : WallClock(SystemClockSeconds);
}

RunOutcome ScoreRun::Run()
{
    RunOutcome outcome;
    try {
        outcome = RunPhases();
    } catch (const FileException& error) {
        outcome = Abandon(RunFailure::Kind::FileFailure, error.what());
    } catch (const std::exception& error) {
        outcome = Abandon(RunFailure::Kind::Unexpected, error.what());
    }
    Release();
    return outcome;
}

// The piece is planned from the sources' lengths before the output is
// created, so that a refused source leaves an existing file of the output's
// name untouched.
RunOutcome ScoreRun::RunPhases()
{
    m_phaseTimes = PhaseTimes{};
    PhaseStopwatch stopwatch;
    m_nFramesWritten = 0;
    m_nBytesWritten = 0;
    m_bOutputCreated = false;
    m_bSpilled = false;
    m_subAudioShare.reset();
    m_bKeepGoing = true;
    if (!PlanPiece())
        return RunOutcome::Failed(m_failure);
    if (const std::optional<RunMessage> refusal = m_pSink->Create(m_strOutputName))
        return Fail(RunFailure::Refusal(*refusal));
    m_bOutputCreated = true;
    const bool loaded = LoadSources();
    if (!loaded)
        CloseSources();
    // A cancel during loading spares the sources' preparation.
    if (loaded && !m_bKeepGoing) {
        m_phaseTimes.m_dLoading = stopwatch.Lap();
        return RunOutcome::Cancelled();
    }
    const bool prepared = loaded && PreparePiece();
    m_phaseTimes.m_dLoading = stopwatch.Lap();
    if (!prepared)
        return RunOutcome::Failed(m_failure);
    if (!m_bKeepGoing)
        return RunOutcome::Cancelled();
    if (!m_streaming && !Timed(m_phaseTimes.m_dAllocating, stopwatch, [this] { return AllocateOutput(); }))
        return RunOutcome::Failed(m_failure);
    return RenderOutput();
}

// A file that failed below the run (disk full, I/O error) or an error nobody
// expected: release everything and let the sink drop the output, which this
// run created and can no longer complete.
RunOutcome ScoreRun::Abandon(RunFailure::Kind kind, const std::string& reason)
{
    Release();
    for (auto& entry : m_sources) {
        if (entry.second.m_pSource)
            CloseQuietly(*entry.second.m_pSource);
    }
    if (m_bOutputCreated)
        m_pSink->Discard();
    return Fail(RunFailure::Because(kind, reason));
}

RunOutcome ScoreRun::Fail(const RunFailure& failure)
{
    m_failure = failure.m_kind;
    m_host.ShowFailure(failure);
    return RunOutcome::Failed(failure.m_kind);
}

// Each layer's stretch against its source's length. A source too short for
// its grains is refused as the desktop program refuses an input, with the
// longest grain and the source's own rate; the other refusals come only from
// scores, whose owners check them beforehand.
bool ScoreRun::PlanPiece()
{
    PieceRequest request;
    request.m_pScore = &m_score;
    request.m_nSeed = m_nState;
    request.m_nExcerptFirst = m_nExcerptFirst;
    request.m_nExcerptFrames = m_nExcerptFrames;
    request.m_makeChain = m_makeChain;
    request.m_bMeasureLayerSubAudio = m_bMeasureLayerSubAudio;
    for (const auto& [path, source] : m_sources)
        request.m_sourceFrames[path] = source.m_pSource ? source.m_pSource->GetFrameCount() : source.m_sound.size();
    ScorePiece::Planning planning = ScorePiece::Plan(request);
    if (planning.m_pPiece) {
        m_pPiece = std::move(planning.m_pPiece);
        return true;
    }
    const PieceRefusal& refusal = planning.m_refusal;
    const ScoreLayer& layer = m_score.m_layers.at(refusal.m_nLayer);
    if (refusal.m_kind == PieceRefusal::Kind::StretchTooShort) {
        const auto found = m_sources.find(layer.m_strSourcePath);
        const SoundSource* source = found != m_sources.end() ? found->second.m_pSource.get() : nullptr;
        RunFailure::ShortSource shortSource;
        shortSource.m_nGrainFrames = refusal.m_nLongestGrain;
        shortSource.m_nLongestRead = refusal.m_nLongestRead;
        shortSource.m_nFileRate = source != nullptr ? source->GetFileRate() : 0;
        Fail(RunFailure::TooShort(shortSource));
    } else {
        Fail(RunFailure::Because(RunFailure::Kind::Unexpected,
                                 "the layer reading " + layer.m_strSource + " reads outside its source"));
    }
    CloseSources();
    return false;
}

bool ScoreRun::PreparePiece()
{
    std::map<std::string, SourceSound> sounds;
    for (auto& [path, source] : m_sources) {
        SourceSound& sound = sounds[path];
        sound.m_frames = source.m_sound;
        if (source.m_pSource)
            sound.m_writable = source.m_loaded.Span();
    }
    if (!m_pPiece->Prepare(sounds, m_synthesis, m_allocate)) {
        Fail(RunFailure::Of(RunFailure::Kind::SourceMemory));
        return false;
    }
    return true;
}

std::uint64_t ScoreRun::OutputFrames() const
{
    if (m_nExcerptFrames > 0)
        return m_nExcerptFrames;
    return static_cast<std::uint64_t>(m_score.m_nLengthSeconds) * kRunSampleRate;
}

bool ScoreRun::AllocateOutput()
{
    const std::uint64_t frames = OutputFrames();
    std::optional<SoundBuffer> output;
    if (m_score.m_nLengthSeconds >= 0 && frames <= static_cast<std::uint64_t>(kMaxOutputFrames))
        output = SoundBuffer::Allocate(m_allocate, frames);
    if (!output) {
        Fail(RunFailure::Of(RunFailure::Kind::OutputMemory));
        return false;
    }
    m_outputBuffer = std::move(*output);
    return true;
}

void ScoreRun::CloseSources()
{
    for (auto& entry : m_sources) {
        if (entry.second.m_pSource)
            entry.second.m_pSource->Close();
    }
}

void ScoreRun::Release()
{
    if (m_pPiece)
        m_nState = m_pPiece->FirstLayerState();
    m_pPiece.reset();  // it reads the sources
    for (auto& entry : m_sources)
        entry.second.m_loaded = SoundBuffer();
    m_outputBuffer = SoundBuffer();
}

// Called at every 1000th iteration of the loading, grain and writing loops
// (or after each window of a streamed run).
void ScoreRun::ProgressPoint(Phase phase, std::uint64_t done, std::uint64_t total)
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
void ScoreRun::ServeHost()
{
    if (!m_host.KeepGoing())
        m_bKeepGoing = false;
}
