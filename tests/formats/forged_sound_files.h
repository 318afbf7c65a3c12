// Sound files whose length fields lie, made in the test from a genuine file by
// patching the bytes that carry the length: a FLAC STREAMINFO's total
// samples, the granule position of an Ogg stream's last page (with the page's
// checksum made right again, so that the page is read), an MP3's Xing frame
// count. Readers that trust such a field allocate for sound that isn't there.
#pragma once

#include <cstdint>
#include <string>
#include <vector>

// A stereo tone (440 Hz at half scale) of frames frames written by libsndfile
// in format (SF_FORMAT_*) at rate, and the file's bytes.
std::vector<unsigned char> WriteToneFile(const std::string& path, int format, int rate, std::uint64_t frames);

// The 36-bit total-samples field of the STREAMINFO block; 0 means unknown, as
// in a FLAC encoded from a pipe.
void SetFlacTotalSamples(std::vector<unsigned char>& flac, std::uint64_t total);

// The granule position of the last page (the stream's length in samples, for
// Opus at 48000 Hz), and that page's CRC computed again.
void SetLastOggGranule(std::vector<unsigned char>& ogg, std::uint64_t granule);

// The page checksum of the Ogg format: CRC-32 with polynomial 0x04C11DB7, no
// reflection, initial value 0, over the page with its checksum field zero.
std::uint32_t OggPageChecksum(const std::vector<unsigned char>& page);

// The frame count of the "Xing" or "Info" header in the first MP3 frame. The
// file must have one (libsndfile writes it).
void SetXingFrameCount(std::vector<unsigned char>& mp3, std::uint32_t frames);

// A FLAC file of frames frames of digital silence (stereo, 16 bits, 44100 Hz),
// built byte by byte: blocks of 4096 frames whose subframes are CONSTANT 0,
// 16 bytes a block, so that hours of sound take a few megabytes and decode in
// seconds. Its STREAMINFO claims declaredTotal frames (0: unknown).
std::vector<unsigned char> SilentFlac(std::uint64_t frames, std::uint64_t declaredTotal);

// The stream cut after its first fraction of bytes, in the middle of a page.
std::vector<unsigned char> CutShort(const std::vector<unsigned char>& bytes, double fraction);
