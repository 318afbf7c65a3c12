// What the main window knows about the chosen input file, how it finds out,
// and the two information lines it shows about it.
#pragma once

#include <cstdint>
#include <string>

// Valid while m_nInputFileSize is not 0.
struct InputFacts {
    std::int32_t m_nInputFrames = 0;          // frames in the data chunk
    std::int32_t m_nInputRate = 0;            // samples per second
    std::int32_t m_nInputChannels = 0;        // 1 or 2
    std::int32_t m_nInputBytesPerSample = 0;  // 1 or 2
    std::int64_t m_nInputFileSize = 0;        // the file's length in bytes; 0 = no valid input
    std::int32_t m_nInputSeconds = 0;         // frames / rate, rounded down

    bool IsValid() const { return m_nInputFileSize != 0; }
};

// Opens path once as a WAV input (as a run would, at 44100 Hz), reads its
// facts and closes it again. Returns 0 and fills facts on success; returns 1
// and leaves facts empty when the file is not a usable input.
int InspectInputFile(const std::string& path, InputFacts& facts);

// A length in seconds as "hh:mm:ss" from one hour up, else "mm:ss".
std::string FormatInputLength(std::int32_t seconds);
// The lower line: "Format  <rate> <8|16> bits <mono|stereo>"; empty without a valid input.
std::string FormatLine(const InputFacts& facts);
// The upper line: "Time  <length>     Size  <MB> MB", the size being the file
// less its 44-byte header in whole mebibytes; empty without a valid input.
std::string TimeSizeLine(const InputFacts& facts);
