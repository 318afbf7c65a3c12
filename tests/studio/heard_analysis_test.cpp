// The measuring of what is heard, on its worker: a tone handed over as the
// listening's tap would hand it reads at its level and fills spectrogram
// columns with its band loudest; a reset forgets both at once; and, paused
// with nothing coming, the meter falls back.
#include <gtest/gtest.h>

#include <algorithm>
#include <chrono>
#include <cmath>
#include <mutex>
#include <thread>
#include <vector>

#include "studio/listening/heard_analysis.h"

using namespace studio;

namespace {

// What the tap holds: frames handed in by the test, taken by the worker.
class FakeTap {
public:
    void Hand(const std::vector<StereoFrame>& frames)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        m_frames.insert(m_frames.end(), frames.begin(), frames.end());
    }
    std::size_t Take(StereoFrame* frames, std::size_t count)
    {
        const std::lock_guard<std::mutex> lock(m_mutex);
        const std::size_t got = std::min(count, m_frames.size());
        std::copy_n(m_frames.begin(), got, frames);
        m_frames.erase(m_frames.begin(), m_frames.begin() + static_cast<std::ptrdiff_t>(got));
        return got;
    }

private:
    std::mutex m_mutex;
    std::vector<StereoFrame> m_frames;
};

std::vector<StereoFrame> Tone(double hz, float amplitude, std::size_t frames)
{
    std::vector<StereoFrame> tone(frames);
    for (std::size_t i = 0; i < frames; ++i) {
        const auto value = static_cast<float>(amplitude * std::sin(2.0 * M_PI * hz * static_cast<double>(i) / 44100));
        tone[i] = {value, value};
    }
    return tone;
}

template <typename Condition>
bool WaitFor(Condition condition)
{
    const auto deadline = std::chrono::steady_clock::now() + std::chrono::seconds(10);
    while (!condition()) {
        if (std::chrono::steady_clock::now() > deadline)
            return false;
        std::this_thread::sleep_for(std::chrono::milliseconds(5));
    }
    return true;
}

}  // namespace

TEST(HeardAnalysis, ATonesLevelAndSpectrumAreMeasuredAndAResetForgetsThem)
{
    FakeTap tap;
    HeardAnalysis heard([&](StereoFrame* frames, std::size_t count) { return tap.Take(frames, count); }, 5);
    heard.SetPlaying(true);
    tap.Hand(Tone(1000.0, 0.5f, 44100));
    ASSERT_TRUE(WaitFor([&] { return heard.GetReadings().m_nColumns >= 80; }));
    const HeardReadings readings = heard.GetReadings();
    EXPECT_NEAR(readings.m_fHeldPeak[0], 0.5f, 0.01f);
    EXPECT_FALSE(readings.m_bOver);

    std::vector<float> column;
    ASSERT_TRUE(heard.CopyColumn(readings.m_nColumns - 1, column));
    ASSERT_EQ(column.size(), heard.GetSpectrogramSettings().m_nRows);
    const auto loudest = std::max_element(column.begin(), column.end()) - column.begin();
    // 1 kHz on a logarithmic axis from 20 Hz to 20 kHz: 56.6 % of the way up.
    EXPECT_NEAR(static_cast<double>(loudest) / static_cast<double>(column.size()), 0.566, 0.02);
    EXPECT_FALSE(heard.CopyColumn(readings.m_nColumns, column)) << "a column not made yet";

    heard.Reset();
    EXPECT_EQ(heard.GetReadings().m_nColumns, 0u);
    EXPECT_EQ(heard.GetReadings().m_fHeldPeak[0], 0.0f);
    EXPECT_FALSE(heard.CopyColumn(0, column));
    tap.Hand(Tone(1000.0, 0.25f, 4410));
    ASSERT_TRUE(WaitFor([&] { return heard.GetReadings().m_nColumns > 0; }));
    EXPECT_NEAR(heard.GetReadings().m_fHeldPeak[0], 0.25f, 0.01f) << "only what came after the reset";
}

TEST(HeardAnalysis, APausedMeterFallsBackWhenNothingComes)
{
    FakeTap tap;
    HeardAnalysis heard([&](StereoFrame* frames, std::size_t count) { return tap.Take(frames, count); }, 5);
    heard.SetPlaying(true);
    tap.Hand(Tone(440.0, 0.8f, 4410));
    ASSERT_TRUE(WaitFor([&] { return heard.GetReadings().m_fLevel[0] > 0.5f; }));
    heard.SetPlaying(false);
    EXPECT_TRUE(WaitFor([&] { return heard.GetReadings().m_fLevel[0] < 0.4f; }));
}
