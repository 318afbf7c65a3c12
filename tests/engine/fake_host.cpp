#include "tests/engine/fake_host.h"

#include "engine/run/progress_text.h"

namespace {

FakeHost::Stage StageOf(GenerationHost::Phase phase)
{
    switch (phase) {
    case GenerationHost::Phase::Loading: return FakeHost::Stage::Loading;
    case GenerationHost::Phase::Generating: return FakeHost::Stage::Generating;
    case GenerationHost::Phase::Writing: return FakeHost::Stage::Writing;
    case GenerationHost::Phase::Measuring: return FakeHost::Stage::Measuring;
    }
    return FakeHost::Stage::NotStarted;
}

FakeHost::Stage StageAfter(GenerationHost::Phase phase)
{
    switch (phase) {
    case GenerationHost::Phase::Loading: return FakeHost::Stage::Allocating;
    case GenerationHost::Phase::Generating: return FakeHost::Stage::Finishing;
    case GenerationHost::Phase::Writing: return FakeHost::Stage::Done;
    case GenerationHost::Phase::Measuring: return FakeHost::Stage::Finishing;
    }
    return FakeHost::Stage::NotStarted;
}

}  // namespace

void FakeHost::ReportProgress(const Progress& progress)
{
    m_stage = StageOf(progress.m_phase);
    m_progress.push_back(progress);
    m_bars[progress.m_phase].push_back(progress.m_nPercent);
    m_percentTexts[progress.m_phase].push_back(FormatPercent(progress.m_nPercent));
    if (progress.m_phase == Phase::Writing)
        m_writtenTexts.push_back(FormatWrittenSize(progress.m_nFramesWritten));
    m_timeLeftTexts.push_back(FormatTimeLeft(progress.m_nElapsedSeconds, progress.m_dFraction));
}

bool FakeHost::KeepGoing()
{
    const int pump = ++m_pumps[m_stage];
    if (m_stage == m_cancelStage && pump == m_nCancelPump)
        m_bCancelled = true;
    if (m_onPump)
        m_onPump();
    return !m_bCancelled;
}

void FakeHost::EndPhase(Phase phase)
{
    m_stage = StageAfter(phase);
    m_bars[phase].push_back(100);
    m_percentTexts[phase].push_back(FormatPercent(100));
}
