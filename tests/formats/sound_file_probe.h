// Reading sound files back for the tests: through libsndfile directly (the
// library itself as a judge of the files we write) and through a SoundSource.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

#include "engine/io/sound_source.h"

struct SoundFileContents {
    bool m_bOpened = false;
    int m_nFormat = 0;  // SF_FORMAT_* of the file
    int m_nRate = 0;
    int m_nChannels = 0;
    std::vector<float> m_samples;          // interleaved, as libsndfile normalises them
    std::vector<std::int32_t> m_integers;  // interleaved, as the file stores them (PCM only), unscaled
};

// Opens path with libsndfile and reads everything; PCM files also as integers
// at their own width (16-bit values as they are, 24-bit values as they are).
SoundFileContents ReadSoundFile(const std::string& path);

// A stereo file's interleaved samples as frames.
std::vector<StereoFrame> StereoFramesOf(const SoundFileContents& contents);

// Every frame a source hands out, in pieces of pieceFrames.
std::vector<StereoFrame> ReadAllFrames(SoundSource& source, std::size_t pieceFrames = 10000);

// Runs a shell command that makes a test file; fails the test when it fails.
void MakeWithTool(const std::string& command);

// Writes interleaved float samples as a sound file of the given libsndfile format.
void WriteSoundFile(const std::string& path, int format, int rate, int channels, const std::vector<float>& samples);
