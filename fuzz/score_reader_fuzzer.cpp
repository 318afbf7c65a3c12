// Feeds arbitrary bytes to the score reader as the text of a score, in a
// folder holding the sources the seed scores name. A refusal must say why;
// a score it accepts must write a text that reads back to an equal score and
// writes the same text again. Run by hand:
//   build-fuzz/fuzz/score_reader_fuzzer -max_total_time=60 <scratch folder> fuzz/corpus/score_reader
#include <unistd.h>

#include <cstddef>
#include <cstdint>
#include <cstdio>
#include <cstdlib>
#include <filesystem>
#include <fstream>
#include <string>
#include <string_view>

#include "score_file/score_reading.h"
#include "score_file/score_writing.h"

namespace {

std::filesystem::path g_sourceFolder;

void RemoveSourceFolder()
{
    std::error_code ignored;
    std::filesystem::remove_all(g_sourceFolder, ignored);
}

// A folder of this process with the sources of the seed scores (a few bytes
// each: the reader only checks that they open), removed at exit.
const std::string& SourceFolder()
{
    static const std::string folder = [] {
        g_sourceFolder = std::filesystem::temp_directory_path() /
                         ("sonnelith-score-fuzz-" + std::to_string(getpid()));
        std::filesystem::create_directories(g_sourceFolder);
        for (const char* name : {"rain.flac", "tone.wav", "noise.wav"})
            std::ofstream(g_sourceFolder / name) << "sound";
        std::atexit(RemoveSourceFolder);
        return g_sourceFolder.string();
    }();
    return folder;
}

[[noreturn]] void Fail(const char* what, const std::string& text)
{
    std::fprintf(stderr, "score reader fuzzer: %s\n%s\n", what, text.c_str());
    std::abort();
}

}  // namespace

extern "C" int LLVMFuzzerTestOneInput(const std::uint8_t* data, std::size_t size)
{
    const std::string_view text(reinterpret_cast<const char*>(data), size);
    const ScoreReading reading = ParseScoreText(text, "fuzz.toml", SourceFolder());
    if (!reading.m_score) {
        if (reading.m_strError.empty())
            Fail("refused without a message", std::string(text));
        return 0;
    }
    const std::string written = WriteScoreText(*reading.m_score);
    const ScoreReading again = ParseScoreText(written, "fuzz.toml", SourceFolder());
    if (!again.m_score)
        Fail(("the written score is refused: " + again.m_strError).c_str(), written);
    if (!(*again.m_score == *reading.m_score))
        Fail("the written score reads back to another score", written);
    if (WriteScoreText(*again.m_score) != written)
        Fail("the score read back writes another text", written);
    return 0;
}
