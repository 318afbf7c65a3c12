#include "tests/engine/run_fixture.h"

#include <gtest/gtest.h>

#include <filesystem>

#include "tests/support/test_sounds.h"

RunFixture::RunFixture()
{
    m_panel.Set(ParameterId::Density, 500);
    m_panel.Set(ParameterId::GrainLength, 50);
    m_panel.Set(ParameterId::Fade, 0);
    m_settings.m_strInputPath = InputPath();
    m_settings.m_strOutputPath = OutputPath();
    m_settings.m_nDurationSeconds = 2;
}

void RunFixture::Generate(const std::function<void(GenerationRun&)>& prepare)
{
    ApplyParameters(m_panel, m_settings);
    GenerationRun run(m_host);
    run.SetSettings(m_settings);
    run.SetClock([] { return std::int64_t{1000}; });
    run.SetRandomState(1);
    if (prepare)
        prepare(run);
    m_outcome = run.Run();
}

std::optional<std::vector<unsigned char>> RunFixture::OutputBytes() const
{
    if (!std::filesystem::exists(OutputPath()))
        return std::nullopt;
    return ReadWholeFile(OutputPath());
}

std::vector<int> RunFixture::MessageIds() const
{
    std::vector<int> ids;
    for (const FakeHost::Message& message : m_host.m_messages)
        ids.push_back(message.m_nId);
    return ids;
}

void RunFixture::ExpectBareHeader() const
{
    const auto bytes = OutputBytes();
    ASSERT_TRUE(bytes);
    EXPECT_EQ(bytes->size(), 44u);
    EXPECT_EQ(ReadHeaderSizes(*bytes).m_nData, 0u);
    EXPECT_EQ(ReadHeaderSizes(*bytes).m_nRiff, 0u);
}
