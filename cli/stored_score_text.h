// The score of a plain run as text: what --tag stores in the output and
// --save-score writes, one layer with the run's values, its seed and its
// input's length and content hash, so that rendering it gives the same bytes.
#pragma once

#include <cstdint>
#include <string>

struct CommandLine;

// The score of the run the command line asks for, started from seed, whose
// input (inputPath, inputFrames frames at 44100 Hz) is named from folder.
std::string PlainRunScoreText(const CommandLine& line, const std::string& inputPath, std::uint64_t inputFrames,
                              std::uint32_t seed, const std::string& folder);

// Empty (nothing stored) unless the command line asks for --tag; else the
// run's score, its input named from the output's folder.
std::string StoredScoreOf(const CommandLine& line, const std::string& inputPath, std::uint64_t inputFrames,
                          std::uint32_t seed);
