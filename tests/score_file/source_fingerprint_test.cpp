// The content hash of a score's sources: FNV-1a 64 as its authors define it,
// over a file read in pieces, and its written form.
#include <gtest/gtest.h>

#include <random>
#include <string_view>
#include <vector>

#include "score_file/source_fingerprint.h"
#include "tests/support/temp_dir.h"

namespace {

std::uint64_t HashOf(std::string_view text)
{
    return Fnv1a64(std::span(reinterpret_cast<const unsigned char*>(text.data()), text.size()));
}

TEST(SourceFingerprint, HashesAsTheReferenceVectorsSay)
{
    // Test vectors published with the FNV reference code.
    EXPECT_EQ(HashOf(""), 0xcbf29ce484222325ULL);
    EXPECT_EQ(HashOf("a"), 0xaf63dc4c8601ec8cULL);
    EXPECT_EQ(HashOf("foobar"), 0x85944171f73967e8ULL);
}

TEST(SourceFingerprint, AFileHashesAsItsBytesWhateverItsSize)
{
    const TempDir dir;
    std::mt19937 generator(7);
    // Across several of the pieces the file is read in, and not a whole number of them.
    std::vector<unsigned char> bytes(300 * 1024 + 17);
    for (unsigned char& byte : bytes)
        byte = static_cast<unsigned char>(generator());
    const std::string path = dir.File("source.wav");
    WriteWholeFile(path, bytes);
    const FileHash hash = HashFileContents(path);
    EXPECT_EQ(hash.m_strError, "");
    EXPECT_EQ(hash.m_nHash, Fnv1a64(bytes));
    bytes[200000] ^= 1;
    WriteWholeFile(path, bytes);
    EXPECT_NE(HashFileContents(path).m_nHash, hash.m_nHash);
}

TEST(SourceFingerprint, AFileThatCannotBeReadSaysWhy)
{
    const TempDir dir;
    EXPECT_EQ(HashFileContents(dir.File("none.wav")).m_strError, dir.File("none.wav") + ": No such file or directory");
    EXPECT_EQ(HashFileContents(dir.Path().string()).m_strError, dir.Path().string() + ": Is a directory");
}

TEST(SourceFingerprint, WrittenWithSixteenDigitsAndReadBack)
{
    EXPECT_EQ(FormatSourceHash(0x1), "fnv1a64:0000000000000001");
    EXPECT_EQ(FormatSourceHash(0xaf63dc4c8601ec8cULL), "fnv1a64:af63dc4c8601ec8c");
    for (const std::uint64_t hash : {0ULL, 1ULL, 0xaf63dc4c8601ec8cULL, ~0ULL})
        EXPECT_EQ(ParseSourceHash(FormatSourceHash(hash)), hash);
    for (const char* text : {"", "fnv1a64:", "fnv1a64:af63dc4c8601ec8", "fnv1a64:af63dc4c8601ec8c0",
                             "fnv1a64:AF63DC4C8601EC8C", "fnv1a64:af63dc4c8601ec8g", "fnv1a32:af63dc4c8601ec8c",
                             "af63dc4c8601ec8c", "fnv1a64:+f63dc4c8601ec8c"})
        EXPECT_FALSE(ParseSourceHash(text)) << text;
}

}  // namespace
