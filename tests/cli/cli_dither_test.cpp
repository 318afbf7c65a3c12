// --dither on a 16-bit output: off unless asked for, the same bytes again from
// the same seed, within a step or two of the undithered samples; refused for
// other sample formats. And the note on long near silence.
#include <gtest/gtest.h>

#include <algorithm>
#include <cstdint>
#include <cstdlib>
#include <string>
#include <vector>

#include "tests/cli/cli_process.h"
#include "tests/cli/score_render_fixture.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_bytes.h"

namespace {

std::vector<std::int16_t> Samples16(const std::string& path)
{
    const std::vector<unsigned char> bytes = SoundBytes(path);
    std::vector<std::int16_t> samples(bytes.size() / 2);
    for (std::size_t i = 0; i < samples.size(); ++i)
        samples[i] = static_cast<std::int16_t>(bytes[2 * i] | (bytes[2 * i + 1] << 8));
    return samples;
}

}  // namespace

// At volume 1 % the sound spans a few hundred steps, where dither shows.
TEST(CliDither, IsOffUnlessAskedAndRepeatsWithTheSeed)
{
    const TempDir dir;
    const auto render = [&](const std::string& name, std::vector<std::string> extra) {
        std::vector<std::string> arguments{SONNELITH_SAMPLE_PATH, "-q",     "-o",       dir.File(name),
                                           "--length",            "2",      "--seed",   "7",
                                           "--volume",            "1",      "--density", "500"};
        arguments.insert(arguments.end(), extra.begin(), extra.end());
        const CliResult result = RunCli(arguments);
        EXPECT_EQ(result.exitCode, 0) << result.err;
        return Samples16(dir.File(name));
    };
    const std::vector<std::int16_t> plain = render("plain.wav", {});
    const std::vector<std::int16_t> dithered = render("dithered.wav", {"--dither"});
    const std::vector<std::int16_t> again = render("again.wav", {"--dither", "--threads", "1"});
    ASSERT_EQ(plain.size(), 2u * 2u * 44100u);
    ASSERT_EQ(dithered.size(), plain.size());
    EXPECT_EQ(dithered, again);
    std::size_t changed = 0;
    int farthest = 0;
    for (std::size_t i = 0; i < plain.size(); ++i) {
        changed += dithered[i] != plain[i] ? 1 : 0;
        farthest = std::max(farthest, std::abs(dithered[i] - plain[i]));
    }
    // Rounding with noise of up to a step either way, against truncation.
    EXPECT_LE(farthest, 2);
    EXPECT_GT(changed, plain.size() / 4);
}

TEST(CliDither, IsRefusedForOtherSampleFormats)
{
    const TempDir dir;
    for (const char* bits : {"24", "32"}) {
        const CliResult result =
            RunCli({SONNELITH_SAMPLE_PATH, "-o", dir.File("out.wav"), "--length", "1", "--bits", bits, "--dither"});
        EXPECT_EQ(result.exitCode, 2) << bits;
        EXPECT_NE(result.err.find("--dither is for 16-bit output"), std::string::npos) << result.err;
    }
}

// A silent input gives a silent track: the report says so, and that its
// 16-bit samples are all zeros; with --dither exact silence stays silent, and
// the note no longer points at --dither.
TEST(CliDither, LongNearSilenceIsNotedAtTheEnd)
{
    const TempDir dir;
    WavLayout layout;
    layout.channels = 1;
    layout.bitsPerSample = 16;
    layout.sampleRate = 44100;
    WriteWholeFile(dir.File("silence.wav"), MakeWav(layout, std::vector<unsigned char>(2 * 44100 * 2, 0)));
    const CliResult plain = RunCli({dir.File("silence.wav"), "-o", dir.File("plain.wav"), "--length", "6", "--density", "500"});
    ASSERT_EQ(plain.exitCode, 0) << plain.err;
    EXPECT_NE(plain.err.find("Note: 6.0 s of this track lie below -70 dBFS, the longest stretch 6.0 s from 0:00; "
                             "6.0 s of it are all zeros in 16-bit samples (--dither"),
              std::string::npos)
        << plain.err;
    const CliResult dithered =
        RunCli({dir.File("silence.wav"), "-o", dir.File("dithered.wav"), "--length", "6", "--density", "500", "--dither"});
    ASSERT_EQ(dithered.exitCode, 0) << dithered.err;
    EXPECT_NE(dithered.err.find("lie below -70 dBFS"), std::string::npos) << dithered.err;
    EXPECT_EQ(dithered.err.find("--dither"), std::string::npos) << dithered.err;
    const std::vector<std::int16_t> samples = Samples16(dir.File("dithered.wav"));
    EXPECT_TRUE(std::all_of(samples.begin(), samples.end(), [](std::int16_t s) { return s == 0; }));
}
