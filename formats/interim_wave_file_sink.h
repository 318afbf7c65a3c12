// A stand-in for the engine's WaveFile-backed sink while the engine is being
// reworked: writes the desktop program's 16-bit 44100 Hz WAV exactly as the
// run has always written it (the 44-byte header, trunc(x × 32767) per sample,
// the sizes set when writing ends). Once engine/ offers its own WaveFile sink,
// the CLI passes that one to MakeOutputSink and this file goes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/frame_sink.h"

class WaveFile;

class InterimWaveFileSink : public FrameSink {
public:
    InterimWaveFileSink();
    ~InterimWaveFileSink() override;

    std::optional<RunMessage> Create(const std::string& path) override;
    void Write(const StereoFrame* frames, std::size_t count) override;
    void Finish(bool cancelled) override;
    void Discard() override;

private:
    std::unique_ptr<WaveFile> m_pFile;
    std::string m_strPath;
    std::uint32_t m_nFramesWritten = 0;
};
