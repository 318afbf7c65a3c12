// A run host for benchmarks: no progress shown, never cancelled, and the
// text of an error kept so that a benchmark can report why a run failed.
#pragma once

#include <string>

#include "engine/run/generation_host.h"

class QuietHost : public GenerationHost {
public:
    void ReportProgress(const Progress&) override {}
    bool KeepGoing() override { return true; }
    void EndPhase(Phase) override {}
    void ShowMessage(const RunMessage& message, MessageKind kind) override
    {
        if (kind == MessageKind::Error)
            m_strError = message.m_strText;
    }
    std::string m_strError;
};
