// A scrolling spectrogram: columns of levels on a logarithmic frequency axis,
// one per fixed step of the sound it is handed.
#pragma once

#include <cstddef>
#include <cstdint>
#include <memory>
#include <span>
#include <vector>

#include "analysis/log_frequency_axis.h"
#include "engine/finishing/stretch_observer.h"

struct SpectrogramSettings {
    std::size_t m_nWindowFrames = 2048;  // the transform's length, even: 46 ms, 21.5 Hz a bin
    std::size_t m_nHopFrames = 512;      // frames from one column to the next: 86 columns a second
    std::size_t m_nRows = 256;           // bands from lowest to highest
    double m_dLowestHz = 20.0;
    double m_dHighestHz = 20000.0;
    float m_fFloorDb = -120.0f;          // quieter than this reads as this
    std::size_t m_nColumnsKept = 2048;   // the newest columns held for drawing
};

// Column k looks at frames k × hop to k × hop + window − 1 since the last Reset,
// through a Hann window, and holds the power of both channels (their mean) in
// each row as dB relative to a full-scale sine: a sine of amplitude 1 reads
// 0 dB in its row (up to the window's scalloping, at most 1.4 dB below).
//
// Everything is allocated by the constructor; OnStretch and Reset allocate
// nothing. Not for two threads at once: whoever feeds it and whoever draws
// from it take turns (or one hands the other copies of columns).
class Spectrogram final : public StretchObserver {
public:
    explicit Spectrogram(const SpectrogramSettings& settings = {});
    ~Spectrogram() override;
    Spectrogram(const Spectrogram&) = delete;
    Spectrogram& operator=(const Spectrogram&) = delete;

    void OnStretch(const StereoFrame* frames, std::size_t count) override;
    // Forgets the sound so far and its columns (playback moved elsewhere).
    void Reset();

    // Columns made since the last Reset.
    std::uint64_t GetColumnCount() const { return m_nColumns; }
    // Column index's levels, lowest row first; empty once it is older than
    // the columns kept, or not made yet.
    std::span<const float> GetColumn(std::uint64_t index) const;
    // The first frame column index looks at, counted from the last Reset.
    std::uint64_t GetColumnFirstFrame(std::uint64_t index) const { return index * m_settings.m_nHopFrames; }

    const SpectrogramSettings& GetSettings() const { return m_settings; }
    const LogFrequencyAxis& GetAxis() const { return m_axis; }

private:
    struct Transform;  // kissfft's plan and its buffers

    void MakeColumn();

    SpectrogramSettings m_settings;
    LogFrequencyAxis m_axis;
    std::unique_ptr<Transform> m_pTransform;
    std::vector<StereoFrame> m_recent;  // the last window's frames, a ring
    std::uint64_t m_nFramesSeen = 0;
    std::uint64_t m_nNextColumnAt = 0;  // frames seen when the next column is due
    std::vector<float> m_rowPowers;
    std::vector<float> m_columns;       // m_nColumnsKept × rows, a ring
    std::uint64_t m_nColumns = 0;
};
