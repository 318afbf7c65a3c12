#include "tests/cli/score_render_fixture.h"

#include <algorithm>
#include <cstdint>
#include <filesystem>
#include <fstream>

#include "tests/formats/sound_file_probe.h"
#include "tests/support/external_tool.h"

namespace {

constexpr double kRate = 44100.0;

std::uint32_t Load32(const std::vector<unsigned char>& bytes, std::size_t at)
{
    return static_cast<std::uint32_t>(bytes[at]) | (static_cast<std::uint32_t>(bytes[at + 1]) << 8) |
           (static_cast<std::uint32_t>(bytes[at + 2]) << 16) | (static_cast<std::uint32_t>(bytes[at + 3]) << 24);
}

}  // namespace

void ScoreRenderTest::SetUp()
{
    if (!ToolAvailable("sox"))
        GTEST_SKIP() << "sox makes the sources";
}

std::string ScoreRenderTest::MakeSource(const std::string& name, const std::vector<std::string>& synths) const
{
    std::vector<std::string> pieces;
    for (std::size_t i = 0; i < synths.size(); ++i) {
        pieces.push_back(m_dir.File("piece" + std::to_string(i) + "-" + name));
        MakeWithTool("sox -R -n -r 44100 -c 1 -b 16 " + ShellQuote(pieces.back()) + " synth " + synths[i]);
    }
    const std::string path = m_dir.File(name);
    if (pieces.size() == 1) {
        std::filesystem::rename(pieces.front(), path);
        return path;
    }
    std::string joined = "sox";
    for (const std::string& piece : pieces)
        joined.append(" ").append(ShellQuote(piece));  // not " " + piece: GCC bug 105651
    MakeWithTool(joined + " " + ShellQuote(path));
    return path;
}

std::string ScoreRenderTest::WriteScore(const std::string& name, const std::string& text) const
{
    const std::string path = m_dir.File(name);
    std::ofstream(path, std::ios::binary) << text;
    return path;
}

CliResult ScoreRenderTest::Run(const std::vector<std::string>& arguments) const
{
    return RunCli(arguments);
}

void ScoreRenderTest::Render(const std::string& score, const std::string& output,
                             const std::vector<std::string>& extra) const
{
    std::vector<std::string> arguments{"-q", score, "-o", output};
    arguments.insert(arguments.end(), extra.begin(), extra.end());
    const CliResult result = RunCli(arguments);
    ASSERT_EQ(result.exitCode, 0) << result.err;
}

std::vector<unsigned char> SoundBytes(const std::string& path)
{
    const std::vector<unsigned char> bytes = ReadWholeFile(path);
    if (bytes.size() < 12 || std::string(bytes.begin(), bytes.begin() + 4) != "RIFF")
        return {};
    // Chunks follow "WAVE", each an identifier, a size and its bytes padded to even.
    for (std::size_t at = 12; at + 8 <= bytes.size();) {
        const std::uint64_t size = Load32(bytes, at + 4);
        const std::size_t end = static_cast<std::size_t>(std::min<std::uint64_t>(at + 8 + size, bytes.size()));
        if (std::string(bytes.begin() + static_cast<long>(at), bytes.begin() + static_cast<long>(at) + 4) == "data")
            return {bytes.begin() + static_cast<long>(at) + 8, bytes.begin() + static_cast<long>(end)};
        at = end + (size & 1);
    }
    return {};
}

std::vector<float> ChannelOf(const std::string& path, int channel)
{
    const SoundFileContents contents = ReadSoundFile(path);
    EXPECT_TRUE(contents.m_bOpened) << path;
    EXPECT_EQ(contents.m_nChannels, 2) << path;
    std::vector<float> samples;
    for (std::size_t i = static_cast<std::size_t>(channel); i < contents.m_samples.size(); i += 2)
        samples.push_back(contents.m_samples[i]);
    return samples;
}

std::vector<float> Stretch(const std::vector<float>& samples, double first, double seconds)
{
    const std::size_t from = std::min(samples.size(), static_cast<std::size_t>(first * kRate));
    const std::size_t to = std::min(samples.size(), from + static_cast<std::size_t>(seconds * kRate));
    return {samples.begin() + static_cast<long>(from), samples.begin() + static_cast<long>(to)};
}
