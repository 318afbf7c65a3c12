// Shared by the studio's tests: scores to edit, read back as a score file
// would be, and the command-line renderer run as a separate program.
#pragma once

#include <string>
#include <vector>

#include "engine/score/score.h"

// A one-layer score of the bundled sample at the defaults, length seconds
// long, with seed 7.
Score SampleScore(int lengthSeconds = 20);

// The score as its file reads back: written by the score writer, parsed
// again. Fails the test (and answers an empty score) when it is refused.
Score ReadBack(const Score& score);
// Why the score file of score would be refused; empty when it is not.
std::string RefusalOf(const Score& score);

// Runs program with arguments and answers its exit status (128 + the
// signal when one ended it).
int RunProgram(const std::string& program, const std::vector<std::string>& arguments);
