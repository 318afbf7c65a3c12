// The run's input read from a WAV file through WaveFile: 16-bit frames,
// brought up to 44100 Hz by WaveFile itself, as 32-bit float frames.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <string>

#include "engine/io/sound_source.h"
#include "wav/wave_file.h"

class WaveSoundSource : public SoundSource {
public:
    // The WAV file at path read at 44100 Hz; null when WaveFile refuses it.
    static std::unique_ptr<WaveSoundSource> Open(const std::string& path);

    std::uint64_t GetFrameCount() const override;
    int GetFileRate() const override { return m_file.GetSampleRate(); }
    void Read(StereoFrame* frames, std::size_t count) override;
    void Close() override { m_file.CloseFile(); }

    // The file as it is stored: 1 or 2 channels, 8 or 16 bits per sample.
    int GetFileChannels() const { return m_file.GetChannels(); }
    int GetFileBitsPerSample() const { return m_file.GetBytesPerSample() * 8; }

    // A 16-bit sample × (1/32767 as a 32-bit float), stored as a 32-bit float:
    // 32767 becomes 1.0 and −32768 −1.0000305.
    static float ToSample(std::int16_t value);

private:
    WaveFile m_file;
};

// The run's default opener: the WAV file at path at 44100 Hz, or message
// 61575 when WaveFile refuses it.
SourceOpening OpenWaveSource(const std::string& path);
