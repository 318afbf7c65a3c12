// The finishing phase of a run: its passes serve the host every 100000 frames.
#include <gtest/gtest.h>

#include "tests/engine/fake_host.h"
#include "tests/engine/run_probe.h"

TEST(RunFinishing, HostIsServedEvery100000FramesOfEachPass)
{
    FakeHost host;
    RunProbe run(host);
    GenerationSettings settings;
    settings.m_dVolume = 0.5;
    run.SetSettings(settings);
    host.Attach(run);
    std::vector<StereoFrame> sound(250000);
    for (std::size_t j = 0; j < sound.size(); ++j)
        sound[j] = {j % 2 == 0 ? 0.5f : -0.5f, 0.25f};
    run.UseOutput(sound);
    run.FinishLevels();
    EXPECT_EQ(host.m_pumps[FakeHost::Stage::NotStarted], 4 * 3);  // frames 0, 100000, 200000
    EXPECT_EQ(run.Output()[0].left, 0.5f);
}
