// A score stored in every kind of output: read back byte for byte, with the
// sound decoding to exactly the samples of the same output without it (as
// libsndfile and sox read them), and the files accepted by sndfile-info,
// flac -t and metaflac. Without a score, no trace of one.
#include <gtest/gtest.h>

#include <cmath>
#include <fcntl.h>
#include <numbers>
#include <optional>
#include <unistd.h>

#include "engine/io/wave_frame_sink.h"
#include "formats/output_sink_factory.h"
#include "formats/stored_score_layout.h"
#include "formats/stored_score_reader.h"
#include "tests/formats/sound_file_probe.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"

namespace {

// A score as people write them: comments, quotes, tables, non-ASCII names,
// long enough to pass any small buffer, and of odd length so that the RIFF
// pad byte is needed.
std::string LongScore()
{
    std::string text = "# sonnelith score \xE2\x80\x94 \"R\xC3\xA9gen \xC3\xBC" "ber Kyiv\" \xE2\x99\xAA\n"
                       "length = \"45:00\"\nseed = 20261208\n";
    for (int layer = 0; layer < 200; ++layer)
        text += "\n[[layer]]\nsource = \"pluie d'\xC3\xA9t\xC3\xA9 " + std::to_string(layer) +
                ".flac\"\ngain = -" + std::to_string(layer % 40) + "\n[[layer.at]]\ntime = \"20:00\"\n";
    if (text.size() % 2 == 0)
        text += "\n";
    return text;
}

struct ScoreCase {
    const char* m_szName;
    const char* m_szFile;  // "-": a stream, written to a file here
    int m_nBits;
    int m_nRate;
    bool m_bRf64 = false;  // RF64 though short, as a long WAV would be
    bool m_bLoop = false;
};

const ScoreCase kCases[] = {
    {"DesktopWav", "d.wav", 16, 44100},  {"Wav24At48k", "w.wav", 24, 48000},
    {"FloatWav", "f.wav", 32, 44100},    {"LoopWav", "l.wav", 16, 44100, false, true},
    {"Rf64", "r.wav", 24, 44100, true},  {"W64", "a.w64", 16, 44100},
    {"FloatW64At96k", "b.w64", 32, 96000}, {"Flac", "c.flac", 16, 44100},
    {"Flac24At88k", "e.flac", 24, 88200}, {"Stream", "-", 16, 44100},
    {"FloatStream", "-", 32, 48000},     {"Rf64Stream", "-", 24, 44100, true},
};

std::vector<StereoFrame> HalfSecondOfTones()
{
    std::vector<StereoFrame> frames(22050);
    for (std::size_t i = 0; i < frames.size(); ++i) {
        const double t = static_cast<double>(i) / 44100.0;
        frames[i] = {static_cast<float>(0.5 * std::sin(2 * std::numbers::pi * 441.0 * t)),
                     static_cast<float>(0.3 * std::sin(2 * std::numbers::pi * 1000.0 * t))};
    }
    return frames;
}

OutputFormat FormatOf(const ScoreCase& c)
{
    const std::string name = std::string(c.m_szFile) == "-" ? "-" : c.m_szFile;
    OutputFormat format = std::get<OutputFormat>(ChooseOutputFormat(name, c.m_nBits, c.m_nRate));
    if (c.m_bRf64)
        format.m_container = OutputContainer::Rf64;
    return format;
}

// Writes the tones as c asks to path, storing score (none when empty).
void WriteOutput(const ScoreCase& c, const std::string& path, const std::string& score)
{
    const std::vector<StereoFrame> frames = HalfSecondOfTones();
    const OutputFormat format = FormatOf(c);
    OutputRequest request;
    request.m_nFrames = frames.size();
    request.m_bLoop = c.m_bLoop;
    request.m_strStoredScore = score;
    const int fd = format.m_bToStandardOutput ? open(path.c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644) : -1;
    request.m_nStandardOutputFd = fd;
    auto sink = MakeOutputSink(format, request, [] { return std::make_unique<WaveFrameSink>(); });
    const auto failure = sink->Create(format.m_bToStandardOutput ? "-" : path);
    ASSERT_FALSE(failure) << failure->m_strText;
    for (std::size_t done = 0; done < frames.size(); done += 4000)
        sink->Write(frames.data() + done, std::min<std::size_t>(4000, frames.size() - done));
    sink->Finish(false);
    sink.reset();
    if (fd >= 0)
        close(fd);
}

// The file's samples as sox writes them out raw.
std::vector<unsigned char> SoxSamples(const std::string& path, const TempDir& dir)
{
    const std::string raw = dir.File("sox.raw");
    const ToolResult result = RunTool("sox " + ShellQuote(path) + " -t raw " + ShellQuote(raw));
    EXPECT_EQ(result.exitCode, 0) << result.output;
    return ReadWholeFile(raw);
}

class StoredScores : public ::testing::TestWithParam<ScoreCase> {
protected:
    void SetUp() override
    {
        if (!ToolAvailable("sox") || !ToolAvailable("sndfile-info"))
            GTEST_SKIP() << "sox and sndfile-info are needed";
        m_strTagged = m_dir.File(std::string("tagged-") + Name());
        m_strPlain = m_dir.File(std::string("plain-") + Name());
        WriteOutput(GetParam(), m_strTagged, m_strScore);
        WriteOutput(GetParam(), m_strPlain, "");
    }

    // The file's name, with .wav for a stream.
    std::string Name() const { return std::string(GetParam().m_szFile) == "-" ? "stream.wav" : GetParam().m_szFile; }

    TempDir m_dir;
    const std::string m_strScore = LongScore();
    std::string m_strTagged;
    std::string m_strPlain;
};

}  // namespace

TEST_P(StoredScores, ComeBackByteForByteAndOnlyWhereOneWasStored)
{
    std::string reason;
    const std::optional<std::string> text = ReadStoredScore(m_strTagged, reason);
    ASSERT_TRUE(text) << reason;
    EXPECT_EQ(*text, m_strScore);

    EXPECT_FALSE(ReadStoredScore(m_strPlain, reason));
    EXPECT_EQ(reason, m_strPlain + " holds no score: it was not rendered from one; render with --tag to store one");
}

TEST_P(StoredScores, LeaveTheSoundAsLibsndfileAndSoxDecodeIt)
{
    const SoundFileContents tagged = ReadSoundFile(m_strTagged);
    const SoundFileContents plain = ReadSoundFile(m_strPlain);
    ASSERT_TRUE(tagged.m_bOpened && plain.m_bOpened);
    EXPECT_EQ(tagged.m_nFormat, plain.m_nFormat);
    EXPECT_EQ(tagged.m_nRate, plain.m_nRate);
    ASSERT_EQ(tagged.m_samples.size(), plain.m_samples.size());
    EXPECT_TRUE(tagged.m_samples == plain.m_samples);
    EXPECT_TRUE(tagged.m_integers == plain.m_integers);

    const std::vector<unsigned char> soxTagged = SoxSamples(m_strTagged, m_dir);
    EXPECT_FALSE(soxTagged.empty());
    EXPECT_TRUE(soxTagged == SoxSamples(m_strPlain, m_dir)) << "sox reads other samples with the score";
}

// sndfile-info walks every chunk and tells of one it does not know; a chunk
// whose size misled it would show as an error or as a wrong frame count.
TEST_P(StoredScores, AreAcceptedBySndfileInfo)
{
    const ToolResult tagged = RunTool("sndfile-info " + ShellQuote(m_strTagged));
    const ToolResult plain = RunTool("sndfile-info " + ShellQuote(m_strPlain));
    ASSERT_EQ(tagged.exitCode, 0) << tagged.output;
    EXPECT_EQ(ToolLine(tagged.output, "Frames"), ToolLine(plain.output, "Frames"));
    EXPECT_EQ(tagged.output.find("rror"), std::string::npos) << tagged.output;
    // It names a RIFF chunk it skips; a W64 one by a hash of its GUID.
    const OutputContainer container = FormatOf(GetParam()).m_container;
    if (container == OutputContainer::Wav || container == OutputContainer::Rf64) {
        const std::size_t evenSize = m_strScore.size() + m_strScore.size() % 2;
        EXPECT_NE(tagged.output.find("snsc : " + std::to_string(evenSize)), std::string::npos)
            << tagged.output;
    }
}

INSTANTIATE_TEST_SUITE_P(EveryContainer, StoredScores, ::testing::ValuesIn(kCases),
                         [](const ::testing::TestParamInfo<ScoreCase>& info) { return info.param.m_szName; });

// flac -t decodes every frame against its checksum; metaflac lists the
// comments as any tagger sees them: ours alone, nothing left of the room
// libsndfile was given for it.
TEST(StoredScoreInFlac, IsTheOnlyCommentAndTheFileTestsWhole)
{
    if (!ToolAvailable("flac") || !ToolAvailable("metaflac"))
        GTEST_SKIP() << "flac and metaflac are needed";
    TempDir dir;
    const std::string path = dir.File("s.flac");
    const std::string score = LongScore();
    WriteOutput(ScoreCase{"Flac", "s.flac", 24, 44100}, path, score);

    const ToolResult test = RunTool("flac -t -s " + ShellQuote(path));
    EXPECT_EQ(test.exitCode, 0) << test.output;
    const ToolResult tags = RunTool("metaflac --export-tags-to=- " + ShellQuote(path));
    EXPECT_EQ(tags.exitCode, 0);
    EXPECT_EQ(tags.output, std::string(kFlacScoreField) + "=" + score + "\n");
}

// The desktop program's WAV keeps its 44-byte header and sound as they are;
// the chunk follows them, counted in the RIFF size.
TEST(StoredScoreInDesktopWav, FollowsTheUnchangedHeaderAndSound)
{
    TempDir dir;
    const ScoreCase desktop{"DesktopWav", "d.wav", 16, 44100};
    const std::string score = "seed = 1\n";  // odd: a zero byte, counted in the size, makes it even
    WriteOutput(desktop, dir.File("tagged.wav"), score);
    WriteOutput(desktop, dir.File("plain.wav"), "");
    const std::vector<unsigned char> tagged = ReadWholeFile(dir.File("tagged.wav"));
    const std::vector<unsigned char> plain = ReadWholeFile(dir.File("plain.wav"));

    const std::size_t chunkBytes = 8 + score.size() + 1;
    ASSERT_EQ(tagged.size(), plain.size() + chunkBytes);
    const auto riffSize = [](const std::vector<unsigned char>& file) {
        return file[4] | file[5] << 8 | file[6] << 16 | static_cast<std::uint32_t>(file[7]) << 24;
    };
    EXPECT_EQ(riffSize(tagged), riffSize(plain) + chunkBytes);
    EXPECT_TRUE(std::equal(plain.begin() + 8, plain.end(), tagged.begin() + 8));
    const std::string chunk(tagged.begin() + static_cast<long>(plain.size()), tagged.end());
    EXPECT_EQ(chunk, std::string("snsc\x0A\0\0\0", 8) + score + std::string(1, '\0'));
}
