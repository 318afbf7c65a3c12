// One in-memory file for a whole fuzzing run, rewritten with every input, so
// that the code under test opens a real path (/proc/self/fd/N) and reads it
// with the system calls it uses on disk.
#pragma once

#include <cstddef>
#include <cstdint>
#include <string>

// Replaces the file's contents with the input; false if the system refused.
bool StoreFuzzInput(const std::uint8_t* data, std::size_t size);

// The path that opens the file holding the last stored input.
std::string FuzzInputPath();
