// Why a run could not complete, in the run's own terms: what the host shows
// for each is the host's business (see GenerationHost::ShowFailure).
#pragma once

#include <cstdint>
#include <string>
#include <utility>

#include "engine/base/run_message.h"

struct RunFailure {
    enum class Kind {
        SourceTooShort,  // a source is not longer than the longest read of its grains
        SourceMemory,    // no memory for a source, or a source too long to index
        OutputMemory,    // no memory for the output, or an output too long to hold
        WindowMemory,    // no memory for the tables of synthesis
        Refused,         // a source or the sink refused, with a message of its own
        FileFailure,     // the system failed a file below the run (disk full, I/O error)
        Unexpected,      // an error nobody expected
    };

    // What a source that is too short is measured against.
    struct ShortSource {
        std::int32_t m_nGrainFrames = 0;   // the longest grain, at the run's rate
        std::uint64_t m_nLongestRead = 0;  // the most source frames a grain reads, at the run's rate
        int m_nFileRate = 0;               // the source file's own rate (0: unknown)
    };

    Kind m_kind = Kind::Unexpected;
    RunMessage m_message;       // Refused: the message the source or the sink gave
    std::string m_strReason;    // FileFailure, Unexpected: the system's words
    ShortSource m_shortSource;  // SourceTooShort

    static RunFailure Of(Kind kind) { return {kind, {}, {}, {}}; }
    static RunFailure Refusal(RunMessage message) { return {Kind::Refused, std::move(message), {}, {}}; }
    static RunFailure Because(Kind kind, std::string reason) { return {kind, {}, std::move(reason), {}}; }
    static RunFailure TooShort(const ShortSource& source) { return {Kind::SourceTooShort, {}, {}, source}; }
};
