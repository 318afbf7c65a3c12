// The file class: sharing through advisory locks, reads and seeks at the edges,
// buffered writes, and system failures raised as FileException.
#include <csignal>
#include <gtest/gtest.h>
#include <sys/resource.h>
#include <unistd.h>

#include "wav/disk_file.h"
#include "tests/support/temp_dir.h"

namespace {

std::vector<unsigned char> Bytes(std::size_t count, unsigned char first = 0)
{
    std::vector<unsigned char> bytes(count);
    for (std::size_t i = 0; i < count; ++i)
        bytes[i] = static_cast<unsigned char>(first + i);
    return bytes;
}

}  // namespace

TEST(DiskFileSharing, ReadersShareAFile)
{
    TempDir dir;
    WriteWholeFile(dir.File("a"), Bytes(10));
    DiskFile first, second;
    EXPECT_TRUE(first.Open(dir.File("a"), DiskFile::modeReadShared));
    EXPECT_TRUE(second.Open(dir.File("a"), DiskFile::modeReadShared));
}

TEST(DiskFileSharing, AFileBeingReadCannotBeCreatedOverAndKeepsItsContent)
{
    TempDir dir;
    WriteWholeFile(dir.File("a"), Bytes(10));
    DiskFile reader, writer;
    ASSERT_TRUE(reader.Open(dir.File("a"), DiskFile::modeReadShared));
    EXPECT_FALSE(writer.Open(dir.File("a"), DiskFile::modeCreateExclusive));
    EXPECT_FALSE(writer.IsOpen());
    EXPECT_EQ(ReadWholeFile(dir.File("a")), Bytes(10));
}

TEST(DiskFileSharing, AFileBeingWrittenCanBeNeitherReadNorWrittenByAnother)
{
    TempDir dir;
    DiskFile writer, secondWriter, reader;
    ASSERT_TRUE(writer.Open(dir.File("out"), DiskFile::modeCreateExclusive));
    EXPECT_FALSE(secondWriter.Open(dir.File("out"), DiskFile::modeCreateExclusive));
    EXPECT_FALSE(reader.Open(dir.File("out"), DiskFile::modeReadShared));
    writer.Close();
    EXPECT_TRUE(reader.Open(dir.File("out"), DiskFile::modeReadShared));
}

TEST(DiskFileOpen, RefusesWhatIsNotARegularFile)
{
    TempDir dir;
    DiskFile file;
    EXPECT_FALSE(file.Open(dir.Path().string(), DiskFile::modeReadShared));
    EXPECT_FALSE(file.Open(dir.File("missing"), DiskFile::modeReadShared));
    EXPECT_FALSE(file.Open(dir.Path().string(), DiskFile::modeCreateExclusive));
    ASSERT_EQ(mkfifo(dir.File("fifo").c_str(), 0600), 0);
    EXPECT_FALSE(file.Open(dir.File("fifo"), DiskFile::modeReadShared));
    EXPECT_FALSE(file.Open(dir.File("fifo"), DiskFile::modeCreateExclusive));
}

TEST(DiskFileOpen, CreatingEmptiesAnExistingFile)
{
    TempDir dir;
    WriteWholeFile(dir.File("a"), Bytes(100));
    DiskFile file;
    ASSERT_TRUE(file.Open(dir.File("a"), DiskFile::modeCreateExclusive));
    file.Close();
    EXPECT_TRUE(ReadWholeFile(dir.File("a")).empty());
}

TEST(DiskFileReading, ReadIsShortAtTheEndAndEmptyPastIt)
{
    TempDir dir;
    WriteWholeFile(dir.File("a"), Bytes(10));
    DiskFile file;
    ASSERT_TRUE(file.Open(dir.File("a"), DiskFile::modeReadShared));
    unsigned char buffer[16];
    EXPECT_EQ(file.Seek(6, DiskFile::begin), 6);
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 4u);
    EXPECT_EQ(buffer[0], 6);
    EXPECT_EQ(file.Seek(100, DiskFile::begin), 100);
    EXPECT_EQ(file.Read(buffer, sizeof buffer), 0u);
    EXPECT_EQ(file.Seek(0, DiskFile::end), 10);
    EXPECT_EQ(file.Seek(-3, DiskFile::current), 7);
}

TEST(DiskFileReading, SeekBeforeTheStartRaises)
{
    TempDir dir;
    WriteWholeFile(dir.File("a"), Bytes(10));
    DiskFile file;
    ASSERT_TRUE(file.Open(dir.File("a"), DiskFile::modeReadShared));
    EXPECT_THROW(file.Seek(-1, DiskFile::begin), FileException);
}

TEST(DiskFileWriting, BufferedWritesLandInOrderAroundSeeks)
{
    TempDir dir;
    DiskFile file;
    ASSERT_TRUE(file.Open(dir.File("out"), DiskFile::modeCreateExclusive));
    const auto block = Bytes(1000);
    for (int i = 0; i < 1000; ++i)
        file.Write(block.data(), block.size());
    const unsigned char patch[2] = {0xAB, 0xCD};
    file.Seek(4, DiskFile::begin);
    file.Write(patch, 2);
    file.Close();

    const auto written = ReadWholeFile(dir.File("out"));
    ASSERT_EQ(written.size(), 1000u * 1000u);
    EXPECT_EQ(written[4], 0xAB);
    EXPECT_EQ(written[5], 0xCD);
    EXPECT_EQ(written[6], 6);
    EXPECT_EQ(written[999 * 1000 + 999], block[999]);
}

TEST(DiskFileWriting, WritingToAFileOpenForReadingRaises)
{
    TempDir dir;
    WriteWholeFile(dir.File("a"), Bytes(10));
    DiskFile file;
    ASSERT_TRUE(file.Open(dir.File("a"), DiskFile::modeReadShared));
    const unsigned char byte = 1;
    EXPECT_THROW(file.Write(&byte, 1), FileException);
}

// A file size limit makes the system refuse writes past it, as a full disk would.
class DiskFileFull : public ::testing::Test {
protected:
    void SetUp() override
    {
        ASSERT_EQ(getrlimit(RLIMIT_FSIZE, &m_saved), 0);
        m_previousHandler = std::signal(SIGXFSZ, SIG_IGN);
        rlimit limited = m_saved;
        limited.rlim_cur = kLimit;
        ASSERT_EQ(setrlimit(RLIMIT_FSIZE, &limited), 0);
    }
    void TearDown() override
    {
        setrlimit(RLIMIT_FSIZE, &m_saved);
        std::signal(SIGXFSZ, m_previousHandler);
    }

    static constexpr rlim_t kLimit = 100000;
    rlimit m_saved{};
    void (*m_previousHandler)(int) = SIG_DFL;
};

TEST_F(DiskFileFull, AFailedWriteSurfacesAtTheLatestOnClose)
{
    TempDir dir;
    DiskFile file;
    ASSERT_TRUE(file.Open(dir.File("out"), DiskFile::modeCreateExclusive));
    const auto frame = Bytes(4);
    try {
        for (rlim_t i = 0; i < kLimit; ++i)
            file.Write(frame.data(), frame.size());
        file.Close();
        FAIL() << "writing past the limit was not reported";
    } catch (const FileException& error) {
        EXPECT_EQ(error.GetCause(), FileException::Cause::Write);
        EXPECT_EQ(error.GetOsError(), EFBIG);
        EXPECT_NE(std::string(error.what()).find(dir.File("out")), std::string::npos);
        EXPECT_NE(std::string(error.what()).find(error.GetOsErrorText()), std::string::npos);
    }
    EXPECT_NO_THROW(file.Close());
    EXPECT_FALSE(file.IsOpen());
}
