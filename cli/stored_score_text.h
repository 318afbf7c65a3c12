// The score a run stores in its output (--tag): a text that renders the run
// again. For now a stand-in that carries the seed, until the score writer
// takes its place.
#pragma once

#include <cstdint>
#include <string>

struct CommandLine;

// Empty (nothing stored) unless the command line asks for --tag; then the
// score of this run, whose generator starts from seed.
std::string StoredScoreOf(const CommandLine& line, std::uint32_t seed);
