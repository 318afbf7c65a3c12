// Where a run's finished sound goes: the output is created before loading, is
// then handed the finished frames in order, and is completed when writing ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/base/run_message.h"
#include "engine/base/stereo_frame.h"

class FrameSink {
public:
    // A sink destroyed without Finish or Discard (the run ended before its
    // writing phase) leaves behind what its kind promises: our WAV writer
    // leaves the bare header it created, a writer through a temporary file
    // removes that file.
    virtual ~FrameSink() = default;

    // Creates the output at path; answers the message to show when it can't.
    virtual std::optional<RunMessage> Create(const std::string& path) = 0;
    // Appends count frames of the finished sound (full scale is ±1.0).
    // Failures of the operating system raise FileException.
    virtual void Write(const StereoFrame* frames, std::size_t count) = 0;
    // The writing phase is over: every frame was written, or a cancel cut it
    // short after the frames written so far. Completes (or, for a kind that
    // keeps nothing partial, drops) the output and closes it.
    virtual void Finish(bool cancelled) = 0;
    // The run failed after Create (a file error, say): removes whatever the
    // sink created, without raising.
    virtual void Discard() = 0;
    // The size of the output so far, in bytes, as its file holds them (or
    // will, once buffered bytes go out): header and frames, at the output's
    // own depth, rate and encoding.
    virtual std::uint64_t GetBytesWritten() const = 0;
};
