// The score of a plain run as text: what --tag stores in the output and
// --save-score writes, one layer with the run's values, its seed and its
// input's length and content hash, so that rendering it gives the same bytes.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

struct CommandLine;

// The input a plain run's score names: its path, its length, and, for a
// file (not a stream, which leaves no file to find again), the hash of the
// bytes the run read.
struct PlainRunInput {
    std::string m_strPath;
    std::uint64_t m_nFrames = 0;  // at 44100 Hz
    std::optional<std::uint64_t> m_hash;
};

// The score of the run the command line asks for, started from seed, whose
// input is named from folder.
std::string PlainRunScoreText(const CommandLine& line, const PlainRunInput& input, std::uint32_t seed,
                              const std::string& folder);

// Empty (nothing stored) unless the command line asks for --tag; else the
// run's score, its input named from the output's folder.
std::string StoredScoreOf(const CommandLine& line, const PlainRunInput& input, std::uint32_t seed);

// Why a score written into the file at scorePath (an output with its
// score, or --save-score's file), which names its source sourcePath from
// its own folder, cannot hold that name: a score is UTF-8 text, and a name
// that is not is refused before anything is written, as "<doing> <file>:
// the name of its source <name> is not UTF-8 text ...". doing says what
// was asked: "cannot store the score of this run in".
std::optional<std::string> RefuseUnstorableName(const std::string& doing, const std::string& scorePath,
                                                const std::string& sourcePath);

// Why text, the score of this run, cannot be written into the file at path
// (too long for a score, or not UTF-8 text); empty text is no score.
std::optional<std::string> RefuseUnstorableScore(const std::string& doing, const std::string& path,
                                                 const std::string& text);
