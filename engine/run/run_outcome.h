// How a generation run ended.
#pragma once

#include "engine/run/run_failure.h"

struct RunOutcome {
    enum class Kind {
        Completed,  // every frame written; the host was told
        Failed,     // the host was shown why (m_failure); see the run for what the output holds
        Cancelled,  // the host answered no to KeepGoing; it was shown nothing
    };

    Kind m_kind = Kind::Completed;
    RunFailure::Kind m_failure = RunFailure::Kind::Unexpected;  // Failed: why

    static RunOutcome Completed() { return {Kind::Completed, {}}; }
    static RunOutcome Failed(RunFailure::Kind failure) { return {Kind::Failed, failure}; }
    static RunOutcome Cancelled() { return {Kind::Cancelled, {}}; }

    friend bool operator==(const RunOutcome&, const RunOutcome&) = default;
};
