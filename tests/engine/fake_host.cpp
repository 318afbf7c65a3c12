#include "tests/engine/fake_host.h"

#include "engine/generation_run.h"

void FakeHost::Attach(GenerationRun& run)
{
    m_pRun = &run;
    run.SetShowProgress(1);
}

void FakeHost::SetBarPosition(Phase phase, int percent)
{
    m_bars[phase].push_back(percent);
    const bool finished = percent >= 100;
    switch (phase) {
    case Phase::Loading: m_stage = finished ? Stage::Allocating : Stage::Loading; break;
    case Phase::Generating: m_stage = finished ? Stage::Finishing : Stage::Generating; break;
    case Phase::Writing: m_stage = finished ? Stage::Done : Stage::Writing; break;
    }
}

int FakeHost::PumpMessages()
{
    const int pump = ++m_pumps[m_stage];
    if (m_pRun != nullptr && m_stage == m_cancelStage && pump == m_nCancelPump)
        m_pRun->SetKeepGoing(0);
    if (m_onPump)
        m_onPump();
    return 0;
}
