// What the program takes from its command line: at most one sound file, to
// be chosen as the input as though it had been picked in the open dialog
// (the desktop entry passes it as %f; a file:// address is accepted too).
#pragma once

#include <string>
#include <vector>

// The first argument that is not an option, as an absolute path; empty when
// there is none. Options (arguments starting with '-', up to a lone "--") are
// left to the toolkit, which takes its own before the program sees them.
std::string StartInputFile(const std::vector<std::string>& arguments);
