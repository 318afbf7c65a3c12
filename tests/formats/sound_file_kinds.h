// The kinds of sound file the command-line generator reads and writes, for the
// tests of the library and of the program alike: each input kind with the
// shell command (sox or libsndfile's sndfile-convert) that makes it, and each
// delivery format with what sndfile-info and sox must read back from it.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "formats/sound_file_opener.h"

class TempDir;

struct InputKind {
    const char* m_szName;
    // Makes {out}, from nothing or from a 1 s stereo tone file ({base44}, {base48}).
    const char* m_szMake;
    const char* m_szFile;
    InputRoute m_route;
    int m_nRate;
    double m_dSecondsTolerance;  // lossy coders may pad or trim a little
};

// Every common kind: 1 s of a 1000 Hz tone at half scale in each.
extern const std::vector<InputKind> kInputKinds;

// command with {out} as dir's file, {base44} and {base48} as the tone files.
std::string FillCommand(std::string command, const TempDir& dir, const std::string& file);
// The 1 s stereo 16-bit tone files at 44100 and 48000 Hz that some kinds are converted from.
void MakeBaseTones(const TempDir& dir);
// Makes kind's file in dir (after MakeBaseTones) and answers its path.
std::string MakeInputKind(const InputKind& kind, const TempDir& dir);

struct Delivery {
    const char* m_szName;
    const char* m_szFile;
    int m_nBits;
    int m_nRate;
    int m_nSndfileFormat;
    const char* m_szSoxEncoding;
    // sox 14.4.2 misreads float W64 samples, even in files it writes itself,
    // though it reads the header right.
    bool m_bSoxReadsPeak = true;
};

// 24-bit and float WAV, rates up to 96000 Hz, FLAC and W64.
extern const std::vector<Delivery> kDeliveries;

// sndfile-info and sox read path with delivery's format, rate, two channels and
// frames frames, and sox finds its peak at peak (in a copy libsndfile makes,
// where sox misreads the file's samples).
void ExpectToolsReadDelivery(const std::string& path, const Delivery& delivery, std::uint64_t frames, double peak);
