#include "engine/run/generation_run.h"

#include <chrono>
#include <utility>

#include "engine/finishing/finished_sound_meter.h"
#include "engine/finishing/level_evening.h"
#include "engine/io/wave_frame_sink.h"
#include "engine/io/wave_sound_source.h"
#include "engine/random/random_generator.h"
#include "engine/score/one_layer_score.h"
#include "wav/file_exception.h"

GenerationRun::GenerationRun(GenerationHost& host)
    : m_host(host)
    , m_openSource(OpenWaveSource)
    , m_clock(SystemClockSeconds)
    , m_run(host)
{
}

GenerationRun::~GenerationRun() = default;

void GenerationRun::SeedRandom()
{
    SetRandomState(RandomGenerator::SeedFromTime(static_cast<std::uint32_t>(m_clock())));
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
    m_run.SetFinishedSoundMeter(std::move(meter));
}

void GenerationRun::SetLevelEvening(std::unique_ptr<LevelEvening> evening)
{
    m_run.SetLevelEvening(std::move(evening));
}

void GenerationRun::SetClock(WallClock clock)
{
    m_clock = clock ? clock : WallClock(SystemClockSeconds);
    m_run.SetClock(std::move(clock));
}

// The input is opened first, as the run's first step: a file that cannot be
// opened is the opener's failure, shown with its own message.
RunOutcome GenerationRun::Run()
{
    m_phaseTimes = PhaseTimes{};
    const auto began = std::chrono::steady_clock::now();
    SourceOpening opening;
    try {
        opening = m_openSource(m_settings.m_strInputPath);
    } catch (const FileException& error) {
        m_host.ShowFailure(RunFailure::Because(RunFailure::Kind::FileFailure, error.what()));
        return RunOutcome::Failed(RunFailure::Kind::FileFailure);
    } catch (const std::exception& error) {
        m_host.ShowFailure(RunFailure::Because(RunFailure::Kind::Unexpected, error.what()));
        return RunOutcome::Failed(RunFailure::Kind::Unexpected);
    }
    if (!opening.m_pSource) {
        m_host.ShowFailure(RunFailure::Refusal(opening.m_failure));
        return RunOutcome::Failed(RunFailure::Kind::Refused);
    }
    const double openingSeconds = std::chrono::duration<double>(std::chrono::steady_clock::now() - began).count();
    Score score = OneLayerScore(m_settings.m_values, m_settings.m_nDurationSeconds, m_settings.m_strInputPath);
    score.m_bLoop = m_bLoop;
    m_run.SetScore(score);
    m_run.SetSource(m_settings.m_strInputPath, std::move(opening.m_pSource));
    m_run.SetSink(m_pSink ? std::move(m_pSink) : std::make_unique<WaveFrameSink>(), m_settings.m_strOutputPath);
    const RunOutcome outcome = m_run.Run();
    m_phaseTimes = m_run.GetPhaseTimes();
    m_phaseTimes.m_dLoading += openingSeconds;
    return outcome;
}
