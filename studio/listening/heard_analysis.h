// What is heard, measured away from the window's thread: a worker takes the
// frames the listening taps off (as they reach the device), feeds the peak
// meter, the short-term loudness and the spectrogram with them, and keeps
// their readings and the newest spectrogram columns for the window to copy.
// The window's thread then only copies and draws, however long a transform
// takes.
#pragma once

#include <atomic>
#include <condition_variable>
#include <cstdint>
#include <functional>
#include <mutex>
#include <thread>
#include <vector>

#include "analysis/peak_meter.h"
#include "analysis/short_term_loudness.h"
#include "analysis/spectrogram.h"

namespace studio {

struct HeardReadings {
    float m_fLevel[2] = {0.0f, 0.0f};
    float m_fHeldPeak[2] = {0.0f, 0.0f};
    bool m_bOver = false;
    double m_dLoudness = 0.0;
    std::uint64_t m_nColumns = 0;  // spectrogram columns made since the last Reset
};

class HeardAnalysis {
public:
    // Takes up to count of the frames heard since its last call; called on
    // the worker only (the tap has one reader).
    using TakeHeard = std::function<std::size_t(StereoFrame* frames, std::size_t count)>;

    // intervalMs: how often the worker looks for what was heard.
    explicit HeardAnalysis(TakeHeard takeHeard, int intervalMs = 33, const SpectrogramSettings& settings = {});
    ~HeardAnalysis();
    HeardAnalysis(const HeardAnalysis&) = delete;
    HeardAnalysis& operator=(const HeardAnalysis&) = delete;

    // While nothing plays and nothing comes, the meters fall back as they
    // would over silence.
    void SetPlaying(bool playing) { m_bPlaying.store(playing, std::memory_order_relaxed); }
    // Forgets the sound so far (playback moved elsewhere); the readings read
    // silence at once.
    void Reset();

    HeardReadings GetReadings() const;
    // Copies column index of the spectrogram into column (rows values,
    // lowest first); false once it is older than the columns kept, or not
    // made yet.
    bool CopyColumn(std::uint64_t index, std::vector<float>& column) const;
    const SpectrogramSettings& GetSpectrogramSettings() const { return m_spectrogram.GetSettings(); }

private:
    void Work();
    void Feed(const StereoFrame* frames, std::size_t count);
    void Publish();

    TakeHeard m_takeHeard;
    const int m_nIntervalMs;
    // The worker's own.
    PeakMeter m_peakMeter;
    ShortTermLoudness m_loudness;
    Spectrogram m_spectrogram;
    std::vector<StereoFrame> m_heard;

    std::atomic<bool> m_bPlaying{false};
    std::atomic<bool> m_bResetAsked{false};

    // What the window copies, under the lock.
    mutable std::mutex m_mutex;
    std::condition_variable m_wake;
    bool m_bStop = false;
    HeardReadings m_readings;
    std::uint64_t m_nColumnBase = 0;  // spectrogram columns before the last Reset
    std::vector<float> m_columns;     // the newest columns kept, a ring of rows each

    std::thread m_worker;
};

}  // namespace studio
