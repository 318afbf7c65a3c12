// A stand-in for the engine's WaveFile-backed source while the engine is being
// reworked: reads an input the desktop program accepts exactly as the run has
// always read it (WaveFile's own up-conversion, 16-bit values scaled by
// 1/32767). Once engine/ offers its own WaveFile source, the opener uses that
// one and this file goes.
#pragma once

#include <cstdint>
#include <memory>
#include <string>

#include "engine/sound_source.h"

class WaveFile;

class InterimWaveFileSource : public SoundSource {
public:
    // Opens path with WaveFile; null when WaveFile refuses it.
    static std::unique_ptr<InterimWaveFileSource> Open(const std::string& path);
    ~InterimWaveFileSource() override;

    std::uint64_t GetFrameCount() const override;
    int GetFileRate() const override;
    void Read(StereoFrame* frames, std::size_t count) override;
    void Close() override;

    // "16-bit stereo PCM WAV, 22050 Hz"
    std::string Describe() const;

private:
    explicit InterimWaveFileSource(std::unique_ptr<WaveFile> file);

    std::unique_ptr<WaveFile> m_pFile;
};
