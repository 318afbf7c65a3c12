// What the playback stream plays is what a real sound server receives: a
// known signal played on the default device comes back from the null sink's
// monitor the same, at the same level. Run by run_with_null_sink.sh, which
// starts a private PulseAudio server whose default sink is a null sink.
#include <gtest/gtest.h>

#include <chrono>
#include <cmath>
#include <cstdlib>
#include <iomanip>
#include <iostream>
#include <numbers>
#include <random>
#include <thread>

#include "engine/live/frame_queue.h"
#include "playback/output_device.h"
#include "playback/playback_stream.h"
#include "playback/portaudio_session.h"
#include "tests/support/signal_alignment.h"
#include "tests/support/sink_recorder.h"
#include "tests/support/temp_dir.h"

namespace {

using namespace std::chrono_literals;

class NullSinkPlayback : public ::testing::Test {
protected:
    void SetUp() override
    {
        if (const char* reason = std::getenv("SONNELITH_NULL_SINK_UNAVAILABLE"))
            GTEST_SKIP() << "no sound server: " << reason;
        const char* monitor = std::getenv("SONNELITH_NULL_SINK_MONITOR");
        if (monitor == nullptr)
            GTEST_SKIP() << "needs a sound server: run it through tests/support/run_with_null_sink.sh";
        m_strMonitor = monitor;
        ASSERT_TRUE(m_session.IsReady()) << m_session.GetFailure();
    }

    std::string m_strMonitor;
    PortAudioSession m_session;
};

// A second that no delay or gain could pass for another stretch of itself: a
// rising sweep on the left and a falling one on the right, each over noise of
// its own, a tenth of a second of silence either side.
constexpr std::size_t kPadding = 4410;
constexpr std::size_t kSignal = 44100;

std::vector<StereoFrame> SweepsOverNoise()
{
    std::vector<StereoFrame> frames(kPadding + kSignal + kPadding, StereoFrame{0.0f, 0.0f});
    std::mt19937 random(7);
    std::uniform_real_distribution<float> noise(-0.05f, 0.05f);
    const double seconds = kSignal / 44100.0;
    for (std::size_t j = 0; j < kSignal; ++j) {
        const double t = static_cast<double>(j) / 44100.0;
        // Sweeps from 100 Hz to 8 kHz (and back), exponential in frequency.
        const double rise = 2.0 * std::numbers::pi * 100.0 * seconds / std::log(80.0) * (std::pow(80.0, t / seconds) - 1.0);
        const double fall = 2.0 * std::numbers::pi * 8000.0 * seconds / std::log(80.0) * (1.0 - std::pow(80.0, -t / seconds));
        frames[kPadding + j] = {static_cast<float>(0.3 * std::sin(rise)) + noise(random),
                                static_cast<float>(0.25 * std::sin(fall)) + noise(random)};
    }
    return frames;
}

}  // namespace

TEST_F(NullSinkPlayback, TheDefaultDeviceIsListedAndADeviceOpensByName)
{
    const std::vector<OutputDevice> devices = ListOutputDevices(m_session);
    ASSERT_FALSE(devices.empty());
    EXPECT_EQ(std::count_if(devices.begin(), devices.end(), [](const OutputDevice& d) { return d.m_bDefault; }), 1);

    FrameQueue queue(64);
    PlaybackStream stream(m_session, queue);
    PlaybackSettings settings;
    settings.m_strDeviceName = devices.back().m_strName;
    EXPECT_EQ(stream.Open(settings), std::nullopt);
    EXPECT_EQ(stream.GetDeviceName(), devices.back().m_strName);
    // At the default latency wished for (0.1 s), what the device grants.
    std::cout << "Output latency reported by the stream on \"" << stream.GetDeviceName()
              << "\": " << stream.GetOutputLatency() * 1000.0 << " ms\n";
    EXPECT_GT(stream.GetOutputLatency(), 0.09);
}

TEST_F(NullSinkPlayback, ASignalPlayedComesBackFromTheSinkUnchanged)
{
    const std::vector<StereoFrame> signal = SweepsOverNoise();
    FrameQueue queue(signal.size());
    ASSERT_EQ(queue.Push(signal.data(), signal.size()), signal.size());
    queue.MarkEnd();

    TempDir folder;
    SinkRecorder recorder(m_strMonitor, folder.File("monitor.raw"));
    ASSERT_TRUE(recorder.WaitUntilRecording(10s)) << recorder.GetFailure();

    PlaybackStream stream(m_session, queue);
    // A quarter of a second of buffer: a machine busy with other tests may
    // be late to call back now and then, and a gap would be heard as one.
    PlaybackSettings settings;
    settings.m_dLatencySeconds = 0.25;
    ASSERT_EQ(stream.Open(settings), std::nullopt);
    const double latency = stream.GetOutputLatency();
    std::cout << "Output latency reported by the stream on \"" << stream.GetDeviceName() << "\": " << latency * 1000.0
              << " ms\n";
    // As wished, to within the frames of a buffer.
    EXPECT_GT(latency, 0.9 * settings.m_dLatencySeconds);
    EXPECT_LT(latency, 1.0);
    ASSERT_EQ(stream.Start(), std::nullopt);
    // Until the whole signal has been pulled, then its latency's worth more
    // (silence), so that its last frames reached the sink.
    const auto deadline = std::chrono::steady_clock::now() + 20s;
    while (!queue.IsDrained() && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    ASSERT_TRUE(queue.IsDrained()) << "the device pulled " << stream.GetPulledFrameCount() << " frames in 20 s";
    const std::uint64_t pulledAtEnd = stream.GetPulledFrameCount();
    const auto beyond = static_cast<std::uint64_t>((latency + 0.2) * 44100.0);
    while (stream.GetPulledFrameCount() < pulledAtEnd + beyond && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    stream.Stop();
    const std::vector<StereoFrame> recording = recorder.Stop();
    EXPECT_EQ(queue.GetUnderrunCount(), 0u);

    const SignalAlignment found = AlignSignal(signal, recording);
    std::cout << std::setprecision(6) << "Recorded " << recording.size() << " frames; the signal at frame " << found.m_nOffset
              << ", correlation " << found.m_dCorrelationLeft << " and " << found.m_dCorrelationRight << ", level "
              << found.m_dLevelDb << " dB; the device ran dry " << stream.GetDeviceUnderflowCount() << " times\n";
    // An idle null sink's monitor yields nothing, so the recording may begin
    // with the sound, in the silence before the sweeps; it holds them whole.
    EXPECT_GE(found.m_nOffset, -static_cast<long>(kPadding));
    EXPECT_LE(found.m_nOffset + static_cast<long>(kPadding + kSignal), static_cast<long>(recording.size()));
    EXPECT_GE(found.m_dCorrelationLeft, 0.99);
    EXPECT_GE(found.m_dCorrelationRight, 0.99);
    EXPECT_NEAR(found.m_dLevelDb, 0.0, 0.5);
}

TEST_F(NullSinkPlayback, APausedStreamPullsNothingUntilResumed)
{
    FrameQueue queue(44100);
    PlaybackStream stream(m_session, queue);
    ASSERT_EQ(stream.Open({}), std::nullopt);
    ASSERT_EQ(stream.Start(), std::nullopt);
    stream.Pause();
    std::this_thread::sleep_for(100ms);  // a callback already under way finishes
    const std::uint64_t pulled = stream.GetPulledFrameCount();
    std::this_thread::sleep_for(300ms);
    EXPECT_EQ(stream.GetPulledFrameCount(), pulled);
    EXPECT_TRUE(stream.IsRunning());

    stream.Resume();
    const auto deadline = std::chrono::steady_clock::now() + 5s;
    while (stream.GetPulledFrameCount() == pulled && std::chrono::steady_clock::now() < deadline)
        std::this_thread::sleep_for(10ms);
    EXPECT_GT(stream.GetPulledFrameCount(), pulled);
    stream.Stop();
    EXPECT_FALSE(stream.IsRunning());
}
