// Where a run's input comes from: the whole input sound as stereo 32-bit float
// frames at the run's rate (44100 Hz), handed out in order. The run reads it
// into its SourceBuffer in the loading phase; it never sees the file behind it.
#pragma once

#include <cstddef>
#include <cstdint>
#include <functional>
#include <memory>
#include <string>

#include "engine/base/run_message.h"
#include "engine/base/stereo_frame.h"

class SoundSource {
public:
    virtual ~SoundSource() = default;

    // Frames that Read hands out in all, at 44100 Hz.
    virtual std::uint64_t GetFrameCount() const = 0;
    // The file's own sample rate in Hz, for messages about the input.
    virtual int GetFileRate() const = 0;
    // The next count frames; the run never asks past GetFrameCount in all.
    // Failures of the operating system raise FileException.
    virtual void Read(StereoFrame* frames, std::size_t count) = 0;
    // Releases the file once loading is over; reading is not asked for again.
    virtual void Close() = 0;
};

// What an opener answers: a source ready to be read, or, when there is none,
// the message that says why.
struct SourceOpening {
    std::unique_ptr<SoundSource> m_pSource;
    RunMessage m_failure;
};

// Opens the input at path. The run calls it once, at its start.
using SourceOpener = std::function<SourceOpening(const std::string& path)>;
