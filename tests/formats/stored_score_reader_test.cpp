// Reading a stored score back from files made by hand, damaged or forged:
// every one ends in the text or in a reason that says where the file went
// wrong, never in a crash or a read outside it. Also the limits on what an
// output can store, and a score written by metaflac rather than by us.
#include <gtest/gtest.h>

#include <fcntl.h>
#include <unistd.h>

#include "engine/io/wave_frame_sink.h"
#include "formats/output_sink_factory.h"
#include "formats/stored_score_layout.h"
#include "formats/stored_score_reader.h"
#include "tests/support/external_tool.h"
#include "tests/support/temp_dir.h"
#include "tests/support/wav_bytes.h"

namespace {

using Bytes = std::vector<unsigned char>;

Bytes TextBytes(const std::string& text)
{
    return Bytes(text.begin(), text.end());
}

void Append(Bytes& bytes, const Bytes& more)
{
    bytes.insert(bytes.end(), more.begin(), more.end());
}

Bytes Little(std::uint64_t value, int count)
{
    Bytes bytes;
    for (int i = 0; i < count; ++i)
        bytes.push_back(static_cast<unsigned char>(value >> (8 * i)));
    return bytes;
}

// A short WAV with chunks before and after its data chunk.
Bytes Wav(const std::vector<std::pair<std::string, Bytes>>& before, const Bytes& after = {},
          std::optional<std::uint32_t> declaredDataSize = std::nullopt)
{
    WavLayout layout;
    layout.chunksBeforeData = before;
    layout.declaredDataSize = declaredDataSize;
    Bytes file = MakeWav(layout, Pcm16Bytes({1, 2, 3, 4}));
    Append(file, after);
    return file;
}

// A W64 file: its header, then chunks given as GUID, declared size and content.
struct W64Chunk {
    Bytes m_guid;
    std::uint64_t m_nSize;
    Bytes m_content;
};

Bytes W64(const std::vector<W64Chunk>& chunks)
{
    Bytes file(kW64RiffGuid.begin(), kW64RiffGuid.end());
    Append(file, Little(0, 8));
    Append(file, {'w', 'a', 'v', 'e', 0xF3, 0xAC, 0xD3, 0x11, 0x8C, 0xD1, 0x00, 0xC0, 0x4F, 0x8E, 0xDB, 0x8A});
    for (const W64Chunk& chunk : chunks) {
        Append(file, chunk.m_guid);
        Append(file, Little(chunk.m_nSize, 8));
        Append(file, chunk.m_content);
        file.resize((file.size() + 7) / 8 * 8, 0);
    }
    return file;
}

// A FLAC file of one VORBIS_COMMENT block (no sound: enough for the reader).
Bytes FlacWithComments(const std::vector<Bytes>& comments, std::optional<std::uint32_t> declaredLength = {})
{
    Bytes block = Little(3, 4);
    Append(block, TextBytes("abc"));
    Append(block, Little(comments.size(), 4));
    for (const Bytes& comment : comments) {
        Append(block, Little(comment.size(), 4));
        Append(block, comment);
    }
    const std::uint32_t length = declaredLength.value_or(static_cast<std::uint32_t>(block.size()));
    Bytes file = TextBytes("fLaC");
    Append(file, {0x84, static_cast<unsigned char>(length >> 16), static_cast<unsigned char>(length >> 8),
                  static_cast<unsigned char>(length)});
    Append(file, block);
    return file;
}

class ForgedFiles : public ::testing::Test {
protected:
    // The reader's answer for bytes: the text, or the reason prefixed by "no: ".
    std::string Read(const Bytes& bytes)
    {
        const std::string path = m_dir.File("forged");
        WriteWholeFile(path, bytes);
        std::string reason;
        const std::optional<std::string> text = ReadStoredScore(path, reason);
        return text ? *text : "no: " + reason.substr(path.size());
    }

    TempDir m_dir;
};

}  // namespace

TEST_F(ForgedFiles, RiffChunksAreWalkedWithTheirPadBytes)
{
    EXPECT_EQ(Read(Wav({{"LIST", TextBytes("odd")}, {"snsc", TextBytes("seed = 1\n")}})), "seed = 1\n");
    Bytes after = ChunkBytes("junk", TextBytes("abcde"));
    Append(after, ChunkBytes("snsc", TextBytes("x")));
    EXPECT_EQ(Read(Wav({}, after)), "x");
    EXPECT_EQ(Read(Wav({{"snsc", {}}})), "");
}

TEST_F(ForgedFiles, RiffSizesThatLieEndInAReason)
{
    EXPECT_EQ(Read(Wav({}, {}, 1000000000u)),
              "no:  holds no score that can be read: its \"data\" chunk at byte 36 claims 1000000000 bytes, more "
              "than the file holds after it");
    Bytes huge = TextBytes("snsc");
    Append(huge, Little(0xFFFFFFF0u, 4));
    EXPECT_EQ(Read(Wav({}, huge)),
              "no:  holds no score that can be read: its stored score claims 4294967280 bytes, more than the "
              "4194304 a score can have");
    Bytes cut = TextBytes("snsc");
    Append(cut, Little(100, 4));
    Append(cut, TextBytes("seed"));
    EXPECT_EQ(Read(Wav({}, cut)), "no:  holds no score that can be read: its stored score at byte 60 claims 100 "
                                  "bytes, more than the file holds after it");
    EXPECT_EQ(Read(Wav({{"snsc", {'a', 0xC3, 0x28}}})),
              "no:  holds no score that can be read: its stored score is damaged: the score is not UTF-8 text");
}

TEST_F(ForgedFiles, Rf64NeedsItsDs64ChunkForLargeSizes)
{
    Bytes wav = Wav({{"snsc", TextBytes("ok")}});
    std::copy_n("RF64", 4, wav.begin());
    EXPECT_EQ(Read(wav), "no:  holds no score that can be read: it is an RF64 file without a readable ds64 chunk "
                         "at its start");

    // ds64: RIFF size, data size 4, frame count 1, a table of one chunk ("bext", 2 bytes).
    Bytes ds64 = Little(0, 8);
    Append(ds64, Little(4, 8));
    Append(ds64, Little(1, 8));
    Append(ds64, Little(1, 4));
    Append(ds64, TextBytes("bext"));
    Append(ds64, Little(2, 8));
    Bytes rf64 = TextBytes("RF64");
    Append(rf64, Little(0xFFFFFFFFu, 4));
    Append(rf64, TextBytes("WAVE"));
    Append(rf64, ChunkBytes("ds64", ds64));
    for (const char* id : {"data", "bext"}) {
        Append(rf64, TextBytes(id));
        Append(rf64, Little(0xFFFFFFFFu, 4));
        Append(rf64, Little(0x01020304, std::string(id) == "data" ? 4 : 2));
    }
    Bytes unlisted = rf64;
    Append(rf64, ChunkBytes("snsc", TextBytes("found")));
    EXPECT_EQ(Read(rf64), "found");
    Append(unlisted, TextBytes("cue "));
    Append(unlisted, Little(0xFFFFFFFFu, 4));
    EXPECT_EQ(Read(unlisted), "no:  holds no score that can be read: its \"cue \" chunk at byte 82 leaves its size "
                              "to a ds64 chunk that does not give it");
}

TEST_F(ForgedFiles, W64ChunksCountTheirHeaderAndLieNoFurtherThanTheFile)
{
    const Bytes ours(kW64ScoreChunkGuid.begin(), kW64ScoreChunkGuid.end());
    const Bytes other(16, 0x41);
    EXPECT_EQ(Read(W64({{other, 24 + 3, TextBytes("abc")}, {ours, 24 + 5, TextBytes("score")}})), "score");
    EXPECT_EQ(Read(W64({{other, 10, {}}})),
              "no:  holds no score that can be read: its \"AAAA\" chunk at byte 40 claims 10 bytes, less than its "
              "own header");
    EXPECT_EQ(Read(W64({{other, 1ull << 62, {}}})),
              "no:  holds no score that can be read: its \"AAAA\" chunk at byte 40 claims 4611686018427387904 "
              "bytes, more than the file holds after it");
    EXPECT_EQ(Read(W64({{ours, 24 + (8u << 20), {}}})),
              "no:  holds no score that can be read: its stored score claims 8388608 bytes, more than the 4194304 "
              "a score can have");
}

TEST_F(ForgedFiles, FlacCommentsAreMatchedWithoutCaseAndBoundedByTheirBlock)
{
    EXPECT_EQ(Read(FlacWithComments({TextBytes("TITLE=rain"), TextBytes("Sonnelith_Score=seed = 2\n")})),
              "seed = 2\n");
    EXPECT_EQ(Read(FlacWithComments({TextBytes("SONNELITH_SCOREX=no"), TextBytes("COMMENT=x")})),
              "no:  holds no score: it was not rendered from one; render with --tag to store one");
    Bytes lying = FlacWithComments({TextBytes("SONNELITH_SCORE=abc")});
    lying[8 + 4 + 3 + 4] = 0xFF;  // the comment's length, far past its block
    EXPECT_EQ(Read(lying), "no:  holds no score that can be read: its Vorbis comment block at byte 8 is damaged");
    EXPECT_EQ(Read(FlacWithComments({}, 5000)),
              "no:  holds no score that can be read: its metadata block at byte 4 claims 5000 bytes, more than the "
              "file holds after it");
}

// --score-of prints a stored score as it is: one holding a terminal's
// escape sequence, a bell or a C1 control is damaged in every kind of file,
// while tabs and line breaks (also CR LF) are a score's own.
TEST_F(ForgedFiles, ControlCharactersBesidesTabsAndLineBreaksAreDamage)
{
    const std::string damaged = "no:  holds no score that can be read: its stored score is damaged: it holds the "
                                "control character ";
    const Bytes ours(kW64ScoreChunkGuid.begin(), kW64ScoreChunkGuid.end());
    for (const std::string& text : {std::string("seed = 1\n\x1b]0;PWNED\x07\n"), std::string("# \x07\n"),
                                    std::string("# \xC2\x9B" "2J\n"), std::string("a\rb\n"), std::string("\x7f")}) {
        const Bytes bytes = TextBytes(text);
        SCOPED_TRACE(text);
        for (const Bytes& file : {Wav({{"snsc", bytes}}), W64({{ours, 24 + bytes.size(), bytes}}),
                                  FlacWithComments({TextBytes("SONNELITH_SCORE=" + text)})})
            EXPECT_EQ(Read(file).substr(0, damaged.size()), damaged);
    }
    EXPECT_EQ(Read(Wav({{"snsc", TextBytes("# x\n\x1b[2J")}})), damaged + "27 at byte 4 of its text, where a score "
                                                                       "has none but tabs and line breaks");
    const std::string fine = "length = \"0:10\"\t# \xC3\xA9t\xC3\xA9\r\n[[layer]]\nsource = \"a\\u001b.wav\"\n";
    EXPECT_EQ(Read(Wav({{"snsc", TextBytes(fine)}})), fine);
    EXPECT_EQ(Read(FlacWithComments({TextBytes("SONNELITH_SCORE=" + fine)})), fine);
}

// The reasons name the file as a terminal can show it.
TEST_F(ForgedFiles, TheFileIsNamedEscaped)
{
    const std::string path = m_dir.File("\x1b]0;x\x07.wav");
    std::string reason;
    EXPECT_FALSE(ReadStoredScore(path, reason));
    EXPECT_EQ(reason, "cannot read " + m_dir.File("\\033]0;x\\a.wav") + ": No such file or directory");
    WriteWholeFile(path, Wav({}));
    EXPECT_FALSE(ReadStoredScore(path, reason));
    EXPECT_EQ(reason.substr(0, reason.find(" holds")), m_dir.File("\\033]0;x\\a.wav"));
}

TEST_F(ForgedFiles, AWalkThroughEndlessTinyChunksStops)
{
    Bytes wav = Wav({});
    for (int i = 0; i < 70000; ++i)
        Append(wav, ChunkBytes("tiny", {}));
    Append(wav, ChunkBytes("snsc", TextBytes("too far")));
    EXPECT_EQ(Read(wav), "no:  holds no score that can be read: it has more than 65536 chunks");
}

TEST_F(ForgedFiles, OtherFilesAndMissingOnesAreNamedAsSuch)
{
    EXPECT_EQ(Read(TextBytes("seed = 1\n")),
              "no:  is not a WAV, RF64, W64 or FLAC file, the kinds of file a score is stored in");
    EXPECT_EQ(Read({}), "no:  is not a WAV, RF64, W64 or FLAC file, the kinds of file a score is stored in");
    std::string reason;
    EXPECT_FALSE(ReadStoredScore(m_dir.File("missing.wav"), reason));
    EXPECT_EQ(reason, "cannot read " + m_dir.File("missing.wav") + ": No such file or directory");
    EXPECT_FALSE(ReadStoredScore(m_dir.Path().string(), reason));
    EXPECT_EQ(reason, "cannot read " + m_dir.Path().string() + ": Is a directory");
}

// A stream cut short (its reader went away) still has its score: it comes
// before the sound.
TEST_F(ForgedFiles, AStreamCutShortKeepsItsScore)
{
    Bytes stream = Wav({{"snsc", TextBytes("seed = 3\n")}}, {}, 1u << 30);
    EXPECT_EQ(Read(stream), "seed = 3\n");
}

namespace {

// Writes half a second of silence to path with score, as a run would.
std::optional<RunMessage> WriteWithScore(const std::string& path, const std::string& score, int fd = -1)
{
    const OutputFormat format = std::get<OutputFormat>(ChooseOutputFormat(fd >= 0 ? "-" : path));
    OutputRequest request;
    request.m_nFrames = 22050;
    request.m_nStandardOutputFd = fd;
    request.m_strStoredScore = score;
    auto sink = MakeOutputSink(format, request, [] { return std::make_unique<WaveFrameSink>(); });
    if (auto failure = sink->Create(fd >= 0 ? "-" : path))
        return failure;
    const std::vector<StereoFrame> silence(22050);
    sink->Write(silence.data(), silence.size());
    sink->Finish(false);
    return std::nullopt;
}

}  // namespace

TEST(StoredScoreLimits, AScoreUpToTheCapIsStoredAndNoLongerOne)
{
    TempDir dir;
    for (const char* name : {"cap.wav", "cap.flac", "cap.w64"}) {
        const std::string score(kMaxStoredScoreBytes, 'x');
        ASSERT_FALSE(WriteWithScore(dir.File(name), score)) << name;
        std::string reason;
        EXPECT_EQ(ReadStoredScore(dir.File(name), reason).value_or(reason), score) << name;
    }
    const std::optional<RunMessage> refused =
        WriteWithScore(dir.File("over.wav"), std::string(kMaxStoredScoreBytes + 1, 'x'));
    ASSERT_TRUE(refused);
    // Named as the output the user asked for, not as the hidden file it is written through.
    EXPECT_EQ(refused->m_strText, "Cannot write " + dir.File("over.wav") +
                                      ": the score is 4194305 bytes long, more than the 4194304 an output can carry");
    EXPECT_FALSE(std::filesystem::exists(dir.File("over.wav")));
    EXPECT_EQ(FolderEntries(dir.Path()), (std::vector<std::string>{"cap.flac", "cap.w64", "cap.wav"}));
}

TEST(StoredScoreLimits, OnlyUtf8TextWithoutNulIsStored)
{
    TempDir dir;
    for (const std::string& bad : {std::string("caf\xE9\n"), std::string("a\0b", 3), std::string("\xED\xA0\x80")}) {
        const std::optional<RunMessage> file = WriteWithScore(dir.File("bad.flac"), bad);
        ASSERT_TRUE(file);
        const int fd = open(dir.File("stream.wav").c_str(), O_WRONLY | O_CREAT | O_TRUNC, 0644);
        const std::optional<RunMessage> stream = WriteWithScore("-", bad, fd);
        close(fd);
        ASSERT_TRUE(stream);
        EXPECT_EQ(ReadWholeFile(dir.File("stream.wav")).size(), 0u) << "nothing goes out before the refusal";
    }
    EXPECT_EQ(FolderEntries(dir.Path()), std::vector<std::string>{"stream.wav"});
}

// metaflac, not our writer, stores the field (in lower case, as a tagger
// may): the reader finds it all the same, byte for byte.
TEST(StoredScoreInFlac, WrittenByMetaflacIsReadBack)
{
    if (!ToolAvailable("metaflac"))
        GTEST_SKIP() << "metaflac is needed";
    TempDir dir;
    const std::string path = dir.File("tagged.flac");
    ASSERT_FALSE(WriteWithScore(path, ""));
    const std::string score = "# \xC3\xA9t\xC3\xA9\nlength = \"1:00\"\n";
    WriteWholeFile(dir.File("score.toml"), TextBytes(score));
    const ToolResult tagged = RunTool("metaflac --set-tag-from-file=sonnelith_score=" +
                                      ShellQuote(dir.File("score.toml")) + " " + ShellQuote(path));
    ASSERT_EQ(tagged.exitCode, 0) << tagged.output;
    std::string reason;
    EXPECT_EQ(ReadStoredScore(path, reason).value_or(reason), score);
}
