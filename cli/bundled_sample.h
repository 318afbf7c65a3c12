// Where sonnelith-cli finds the sample sound it uses when no input is given.
#pragma once

#include <filesystem>

// The installed sample in the program's data folder, reached from the folder
// that holds the running executable, when there is one; otherwise the copy in
// the source tree, which serves a program run from its build folder.
std::filesystem::path FindBundledSample();
