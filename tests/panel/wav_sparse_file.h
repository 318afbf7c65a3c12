// WAV files for inspection tests: a real header over silent data, written
// sparsely so that an hour of sound costs no disk space.
#pragma once

#include <cstdint>
#include <string>

// A PCM WAV file of frames frames with the given layout; the data is silence.
void WriteSilentWav(const std::string& path, std::uint32_t frames, std::uint32_t rate, int channels,
                    int bitsPerSample);
