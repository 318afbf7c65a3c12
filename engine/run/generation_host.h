// What a generation run tells the window or terminal that hosts it, and the
// one thing it asks: whether to keep going.
#pragma once

#include <cstdint>

#include "engine/base/run_message.h"
#include "engine/base/run_phase.h"
#include "engine/run/run_failure.h"

// The run calls these from the thread that runs it, and only from there. Each
// call stands on its own: a host needs no knowledge of the order of the calls
// and no handle on the run.
class GenerationHost {
public:
    using Phase = RunPhase;

    // A progress point: where a phase's loop is (at every 1000th iteration, or
    // after each window of a streamed run).
    struct Progress {
        Phase m_phase = Phase::Loading;
        double m_dFraction = 0.0;             // the part of the phase done, 0 to below 1
        int m_nPercent = 0;                   // trunc(fraction × 100)
        std::int32_t m_nElapsedSeconds = 0;   // wall-clock seconds since the phase began
        std::uint64_t m_nFramesWritten = 0;   // writing: frames handed to the output so far
        std::uint64_t m_nBytesWritten = 0;    // writing: the size of the output so far
    };

    enum class MessageKind { Error, Information };

    virtual ~GenerationHost() = default;

    // A progress point of a phase. A host shows as much of it as it likes.
    virtual void ReportProgress(const Progress& progress) = 0;
    // Called after every progress point and every 100000 frames of level
    // finishing: serves whatever waits (repaints, timers, a Cancel button)
    // without waiting itself, and answers false to cancel the run. Once it
    // has answered false the run stops at its next look, whatever it answers
    // later; loading and finishing go on to their ends first, still calling.
    virtual bool KeepGoing() = 0;
    // A phase's loop is over, completed or cut short by a cancel.
    virtual void EndPhase(Phase phase) = 0;
    // A message for the user: the run's failure (Error) or its success
    // (Information). Returns when the user has seen it.
    virtual void ShowMessage(const RunMessage& message, MessageKind kind) = 0;

    // The run failed, for that reason; shown as the string table's message
    // for it (see MessageOf) unless a host tells it its own way.
    virtual void ShowFailure(const RunFailure& failure);
    // The run completed: shown as the string table's success message.
    virtual void ShowCompletion();
};
