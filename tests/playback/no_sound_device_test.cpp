// Without a sound device, playback says so in a sentence and every other call
// is harmless. CTest runs these with no sound server to reach, so that on a
// machine without a sound card PortAudio finds nothing to play on.
#include <gtest/gtest.h>

#include "engine/live/frame_queue.h"
#include "playback/output_device.h"
#include "playback/playback_stream.h"
#include "playback/portaudio_session.h"

TEST(NoSoundDevice, OpeningFailsWithAReasonAndTheStreamStaysHarmless)
{
    PortAudioSession session;
    if (!ListOutputDevices(session).empty())
        GTEST_SKIP() << "this machine has a sound device; the test needs one without";
    FrameQueue queue(64);
    PlaybackStream stream(session, queue);
    const std::optional<std::string> failure = stream.Open({});
    ASSERT_TRUE(failure.has_value());
    // Either PortAudio's own start failed, or it started and found nothing.
    EXPECT_TRUE(*failure == "No sound output device was found." ||
                failure->starts_with("The sound system could not be started: "))
        << *failure;
    EXPECT_FALSE(stream.IsOpen());
    EXPECT_EQ(stream.Start(), std::optional<std::string>("No sound output device is open."));
    stream.Pause();
    stream.Resume();
    stream.Stop();
    stream.Close();
    EXPECT_FALSE(stream.IsRunning());
    EXPECT_EQ(stream.GetOutputLatency(), 0.0);
    EXPECT_EQ(stream.GetPulledFrameCount(), 0u);
}

TEST(NoSoundDevice, ADeviceThatIsNotThereIsNamedInTheReason)
{
    PortAudioSession session;
    if (!session.IsReady())
        GTEST_SKIP() << session.GetFailure();
    FrameQueue queue(64);
    PlaybackStream stream(session, queue);
    PlaybackSettings settings;
    settings.m_strDeviceName = "Loudspeaker that is not there";
    EXPECT_EQ(stream.Open(settings),
              std::optional<std::string>("There is no sound output device named \"Loudspeaker that is not there\"."));
    EXPECT_FALSE(stream.IsOpen());
}
