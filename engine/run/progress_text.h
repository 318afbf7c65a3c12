// The texts of a run's progress displays and of sizes, shared by the progress
// window and the command-line tool.
#pragma once

#include <cstdint>
#include <string>

// A percentage as "%d%%", e.g. "42%".
std::string FormatPercent(int percent);

// A size in mebibytes: "%1u MB" below 1000, "%.1f GB" of a thousandth of it from 1000 up.
std::string FormatSizeMB(unsigned mebibytes);

// The size of the output file after framesWritten frames (4 bytes each, after
// the 44-byte header), in whole mebibytes, as FormatSizeMB shows it.
std::string FormatWrittenSize(std::uint64_t framesWritten);

// A size in bytes, in whole mebibytes, as FormatSizeMB shows it.
std::string FormatBytesMB(std::uint64_t bytes);

// The estimated time left in a phase that has run for elapsedSeconds and done
// fraction (0 to below 1) of its work: "hh:mm:ss", or "..." when under 2 seconds
// are left or nothing is done yet.
std::string FormatTimeLeft(std::int32_t elapsedSeconds, double fraction);
