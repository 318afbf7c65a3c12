// The run's output written as a 16-bit stereo 44100 Hz WAV file through
// WaveFile: the 44-byte header when it is created, each frame as
// trunc(value × 32767), the sizes set when writing ends.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>

#include "engine/io/frame_sink.h"
#include "wav/wave_file.h"

// Its 32-bit size fields hold at most 1073741814 frames (6 h 45 min): a write
// past that raises FileException (file too large).
//
// Destroyed before Finish (the run ended before its writing phase), it leaves
// the bare header with sizes 0, closed by WaveFile's destructor.
class WaveFrameSink : public FrameSink {
public:
    std::optional<RunMessage> Create(const std::string& path) override;
    void Write(const StereoFrame* frames, std::size_t count) override;
    // Sets the header's sizes (only when a frame was written, also after a
    // cancel) and closes the file.
    void Finish(bool cancelled) override;
    void Discard() override;
    // The 44-byte header and 4 bytes a frame.
    std::uint64_t GetBytesWritten() const override;

    // trunc(value × 32767) taken as a signed 16-bit value. After level
    // finishing every value lies within ±volume, so nothing is cut off;
    // anything that could not become an integer at all is written as silence.
    static std::int16_t ToPcmSample(float value);

private:
    WaveFile m_file;
    std::string m_strPath;
    std::uint64_t m_nFramesWritten = 0;
    bool m_bCreated = false;
};
