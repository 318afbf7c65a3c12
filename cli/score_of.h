// sonnelith-cli --score-of FILE: prints the score an output file stores, as
// it was stored, so that it can be saved and rendered again. It stands on its
// own: the command line then holds nothing else.
#pragma once

#include <iosfwd>

inline constexpr char kScoreOfOption[] = "--score-of";

// Whether an argument is --score-of (alone or as --score-of=FILE).
bool AsksForStoredScore(int argc, const char* const* argv);

// Carries out "--score-of FILE" (or "--score-of=FILE"): the stored text goes
// to out byte for byte. Answers the exit status: 0 printed; 1 the file holds
// none or can't be read (the reason on errors); 2 anything else on the
// command line.
int PrintStoredScore(int argc, const char* const* argv, std::ostream& out, std::ostream& errors);
