// What the window plays, heard through a real sound server: PulseAudio's
// null sink, recorded from its monitor. Space plays the score from the
// playhead; the recording is the command-line's excerpt of that place
// (aligned by content, as an idle sink's monitor records nothing), at the
// level the whole render has there. Run by run_with_null_sink.sh.
#include <gtest/gtest.h>
#include <sndfile.h>

#include <wx/uiaction.h>

#include <chrono>
#include <cmath>
#include <iostream>

#include "studio/listening/listening.h"
#include "studio/timeline/timeline_canvas.h"
#include "studio/timeline/timeline_panel.h"
#include "tests/studio/studio_test_support.h"
#include "tests/studio/window/studio_window_fixture.h"
#include "tests/support/signal_alignment.h"
#include "tests/support/sink_recorder.h"
#include "tests/support/wx_event_wait.h"
#include "tests/ui/support/gui_test_support.h"

using namespace studio;

namespace {

std::vector<StereoFrame> ReadFrames(const std::string& path, std::size_t first = 0, std::size_t count = SIZE_MAX)
{
    SF_INFO info{};
    SNDFILE* file = sf_open(path.c_str(), SFM_READ, &info);
    if (file == nullptr)
        return {};
    std::vector<float> samples(static_cast<std::size_t>(info.frames) * 2);
    sf_readf_float(file, samples.data(), info.frames);
    sf_close(file);
    std::vector<StereoFrame> frames;
    for (std::size_t i = first; i < static_cast<std::size_t>(info.frames) && i - first < count; ++i)
        frames.push_back({samples[2 * i], samples[2 * i + 1]});
    return frames;
}

}  // namespace

TEST_F(StudioWindowTest, SpacePlaysTheScoresExcerptAtTheRenderedFilesLevel)
{
    if (const char* reason = std::getenv("SONNELITH_NULL_SINK_UNAVAILABLE"))
        GTEST_SKIP() << "no sound server: " << reason;
    const char* monitor = std::getenv("SONNELITH_NULL_SINK_MONITOR");
    if (monitor == nullptr)
        GTEST_SKIP() << "needs a sound server: run it through tests/support/run_with_null_sink.sh";
    StudioFrame& frame = MakeWindow();
    const std::string path = SaveSampleScore("piece.toml", 20);
    Open(path);
    ASSERT_FALSE(frame.GetListening().GetDeviceProblem()) << *frame.GetListening().GetDeviceProblem();
    const LiveRender& render = frame.GetListening().GetRender();
    ASSERT_TRUE(WaitUntil([&] { return render.GetLevel().m_bExact; }, 300000)) << "the level survey never ended";

    ASSERT_EQ(RunProgram(SONNELITH_CLI_PATH,
                         {path, "-o", m_folder.File("excerpt.wav"), "--from", "0:05", "--for", "3", "--bits", "32"}),
              0);
    ASSERT_EQ(RunProgram(SONNELITH_CLI_PATH, {path, "-o", m_folder.File("whole.wav"), "--bits", "32"}), 0);
    const std::vector<StereoFrame> excerpt = ReadFrames(m_folder.File("excerpt.wav"));
    const std::vector<StereoFrame> place = ReadFrames(m_folder.File("whole.wav"), 5 * 44100, 3 * 44100);

    // A render that ran short (the window says so) leaves a gap in the
    // recording, and so does a sound server that found the device's buffer
    // empty (a callback late on a busy machine, which the program is not told
    // of): no alignment of the whole can match either. Such a run plays
    // again, up to three times, and says so; a fault of the program's own
    // (a wrong place, level or offset) fails every time.
    SignalAlignment shape;
    SignalAlignment level;
    bool ranShort = false;
    std::size_t recorded = 0;
    for (int attempt = 0; attempt < 3; ++attempt) {
        frame.MovePlayhead(5.0);
        SinkRecorder recorder(monitor, m_folder.File("monitor.raw"));
        ASSERT_TRUE(recorder.WaitUntilRecording(std::chrono::seconds(10))) << recorder.GetFailure();
        frame.GetTimeline().GetCanvas().SetFocus();
        PumpFor(100);
        wxUIActionSimulator simulator;
        simulator.Char(WXK_SPACE);
        ASSERT_TRUE(WaitUntil([&] { return frame.GetListening().IsPlaying(); }));
        const std::uint64_t missing = render.GetMissingFrames();
        PumpFor(3500);
        simulator.Char(WXK_SPACE);
        ASSERT_TRUE(WaitUntil([&] { return !frame.GetListening().IsPlaying(); }));
        ranShort = render.GetMissingFrames() != missing;
        PumpFor(400);
        const std::vector<StereoFrame> recording = recorder.Stop();
        recorded = recording.size();
        shape = AlignSignal(excerpt, recording);
        level = AlignSignal(place, recording);
        const bool heardWhole = shape.m_dCorrelationLeft >= 0.99 && shape.m_dCorrelationRight >= 0.99;
        if (heardWhole && !ranShort)
            break;
        std::cout << "Attempt " << attempt + 1 << ": correlation " << shape.m_dCorrelationLeft << " and "
                  << shape.m_dCorrelationRight << (ranShort ? ", the render ran short" : "") << "\n";
    }
    std::cout << "Recorded " << recorded << " frames: correlation " << shape.m_dCorrelationLeft << " and "
              << shape.m_dCorrelationRight << " with the excerpt, level " << level.m_dLevelDb
              << " dB against the whole render at that place" << (ranShort ? "; the render ran short" : "") << "\n";
    EXPECT_GE(shape.m_dCorrelationLeft, 0.99);
    EXPECT_GE(shape.m_dCorrelationRight, 0.99);
    EXPECT_GT(shape.m_nOverlap, 2u * 44100);
    EXPECT_NEAR(level.m_dLevelDb, 0.0, 1.0);
}
