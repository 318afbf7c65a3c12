// The messages that say why an input can't be read or an output can't be
// written, each naming the file and the reason.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/base/run_message.h"
#include "engine/scheduling/grain_settings.h"  // SemitoneRange
#include "formats/printable_name.h"  // PrintableName, with which messages name files

// How messages name an input: its path as PrintableName shows it, or
// "standard input" for "-".
std::string InputDisplayName(const std::string& path);

// "Cannot read in.wav: <reason>" (string 61595). Reasons used: the operating
// system's text ("No such file or directory"), "not a sound file libsndfile can
// read", "unsupported: 12 channels", "rate 500 Hz is below 8000 Hz"...
RunMessage InputFailure(const std::string& path, const std::string& reason);

// An input too short for the chosen grain length: "in.wav: a 0.3 s input is
// shorter than one 800 ms grain; use --grain-length 250 or less" (string 61597),
// or, when even the shortest grain is too long for it, "in.wav: a 0.02 s input
// is shorter than the shortest grain (50 ms); use a longer input" (61598).
// sourceFrames is the input's length at 44100 Hz, fileSeconds its length in
// seconds at its own rate. Grains transposed up (the highest of the
// transposition above 0) read more of the input than their length: "in.wav:
// a 3 s input is shorter than one 800 ms grain at a pitch 24 semitones up,
// which reads 3.199 s of it; use --grain-length 750 or less, or a lower
// pitch" (61599).
RunMessage ShortInputFailure(const std::string& path, double fileSeconds, std::uint64_t sourceFrames,
                             int grainMilliseconds, const SemitoneRange& transposition = {});

// The frames a grain of that many milliseconds spans at 44100 Hz, rounded
// down as the run computes them: 800 ms is 35280 frames.
std::int64_t GrainFrames(int milliseconds);

// The longest grain, in the grain-length slider's steps, that an input of
// sourceFrames frames at 44100 Hz can give, transposed as given; 0 when
// none can.
int LongestGrainFor(std::uint64_t sourceFrames, const SemitoneRange& transposition = {});

// The most input frames a grain of that many milliseconds reads, transposed
// as given: the grain's own frames, more when it is transposed up.
std::uint64_t GrainReadFrames(int milliseconds, const SemitoneRange& transposition);

// Why an input longer than the run can hold is refused: "a 62500 s input is
// longer than the 48695 s the generator can hold", or, when its length is not
// known because reading stopped at the limit, "the input is longer than ...".
std::string TooLongInputReason(std::optional<double> seconds);

// "Cannot write out.wav: <reason>" (string 61596), the name as PrintableName shows it. Reasons used: "no such
// folder", "is a folder", "it is the input file", "permission denied", "not
// enough room on its disk: ...", "disk full"...
RunMessage OutputFailure(const std::string& path, const std::string& reason);

// An operating-system error in the messages' words: "permission denied",
// "disk full", "read-only file system", else the system's own text.
std::string DescribeSystemError(int error);

// A length in seconds as the messages show it: up to three decimals, no
// trailing zeros, rounded down so that it never claims more than there is.
std::string FormatSeconds(double seconds);
