#include "studio/listening/heard_analysis.h"

#include <algorithm>
#include <chrono>

#include "engine/base/stereo_frame.h"

namespace studio {

namespace {

constexpr std::size_t kHeardFrames = 8192;

}  // namespace

HeardAnalysis::HeardAnalysis(TakeHeard takeHeard, int intervalMs, const SpectrogramSettings& settings)
    : m_takeHeard(std::move(takeHeard))
    , m_nIntervalMs(std::max(intervalMs, 1))
    , m_spectrogram(settings)
    , m_heard(kHeardFrames)
    , m_columns(settings.m_nColumnsKept * settings.m_nRows, 0.0f)
{
    m_worker = std::thread([this] { Work(); });
}

HeardAnalysis::~HeardAnalysis()
{
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_bStop = true;
    }
    m_wake.notify_all();
    m_worker.join();
}

void HeardAnalysis::Reset()
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    m_bResetAsked.store(true, std::memory_order_relaxed);
    m_readings = HeardReadings{};
}

HeardReadings HeardAnalysis::GetReadings() const
{
    const std::lock_guard<std::mutex> lock(m_mutex);
    return m_readings;
}

bool HeardAnalysis::CopyColumn(std::uint64_t index, std::vector<float>& column) const
{
    const SpectrogramSettings& settings = m_spectrogram.GetSettings();
    const std::lock_guard<std::mutex> lock(m_mutex);
    const std::uint64_t made = m_readings.m_nColumns;
    if (index >= made || made - index > settings.m_nColumnsKept)
        return false;
    const std::size_t slot = (m_nColumnBase + index) % settings.m_nColumnsKept;
    const auto first = m_columns.begin() + static_cast<std::ptrdiff_t>(slot * settings.m_nRows);
    column.assign(first, first + static_cast<std::ptrdiff_t>(settings.m_nRows));
    return true;
}

void HeardAnalysis::Work()
{
    // The silence fed in a quiet look, so a paused meter falls at its pace.
    const auto silentFrames = static_cast<std::size_t>(kRunSampleRate) * static_cast<std::size_t>(m_nIntervalMs) / 1000;
    std::unique_lock<std::mutex> lock(m_mutex);
    while (!m_bStop) {
        m_wake.wait_for(lock, std::chrono::milliseconds(m_nIntervalMs));
        if (m_bStop)
            break;
        if (m_bResetAsked.exchange(false, std::memory_order_relaxed)) {
            // Columns count from 0 again; those made before stay unreachable.
            m_nColumnBase = m_spectrogram.GetColumnCount();
            m_readings = HeardReadings{};
            m_peakMeter.Reset();
            m_loudness.Reset();
        }
        lock.unlock();
        bool any = false;
        while (const std::size_t got = m_takeHeard(m_heard.data(), m_heard.size())) {
            Feed(m_heard.data(), got);
            any = true;
        }
        if (!any && !m_bPlaying.load(std::memory_order_relaxed)) {
            std::fill_n(m_heard.begin(), std::min(silentFrames, m_heard.size()), StereoFrame{0.0f, 0.0f});
            m_peakMeter.OnStretch(m_heard.data(), std::min(silentFrames, m_heard.size()));
        }
        lock.lock();
        if (!m_bResetAsked.load(std::memory_order_relaxed))
            Publish();
    }
}

void HeardAnalysis::Feed(const StereoFrame* frames, std::size_t count)
{
    m_peakMeter.OnStretch(frames, count);
    m_loudness.OnStretch(frames, count);
    m_spectrogram.OnStretch(frames, count);
}

// Under the lock: the readings, and the columns made since the last look
// (as many as are kept).
void HeardAnalysis::Publish()
{
    const SpectrogramSettings& settings = m_spectrogram.GetSettings();
    for (int c = 0; c < 2; ++c) {
        m_readings.m_fLevel[c] = m_peakMeter.GetLevel(c);
        m_readings.m_fHeldPeak[c] = m_peakMeter.GetHeldPeak(c);
    }
    m_readings.m_bOver = m_peakMeter.IsOver();
    m_readings.m_dLoudness = m_loudness.GetLoudness();
    const std::uint64_t newest = m_spectrogram.GetColumnCount();
    const std::uint64_t published = m_nColumnBase + m_readings.m_nColumns;
    const std::uint64_t from = std::max(published, newest - std::min<std::uint64_t>(newest, settings.m_nColumnsKept));
    for (std::uint64_t index = from; index < newest; ++index) {
        const std::span<const float> column = m_spectrogram.GetColumn(index);
        const std::size_t slot = index % settings.m_nColumnsKept;
        std::copy(column.begin(), column.end(), m_columns.begin() + static_cast<std::ptrdiff_t>(slot * settings.m_nRows));
    }
    m_readings.m_nColumns = newest - m_nColumnBase;
}

}  // namespace studio
