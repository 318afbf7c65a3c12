// Where a stored score sits in each kind of output file, and the bytes of
// its chunk in RIFF (WAV, RF64) and in W64.
//
//   WAV, RF64  a chunk "snsc" holding the score's UTF-8 text, after the data
//              chunk in a file (before it in a stream); a text of odd length
//              is followed by a zero byte that the chunk's size counts, so
//              that readers which skip a chunk without its pad byte (the
//              RF64 reader of libsndfile) still find the next one
//   W64        a chunk named by the GUID 63736E73-7C13-4391-AF31-7516B1598DF8
//              (its first four bytes read "snsc"), padded to 8 bytes, right
//              after the file's header and before its fmt and data chunks
//              (libsndfile takes a chunk after the data for more sound)
//   FLAC       the Vorbis comment SONNELITH_SCORE=<text>
//
// "snsc" is lower case because RIFF keeps upper-case ids for chunks
// registered for every form (LIST, INAM, ...) and lower case for a program's
// own (the chunk is not registered); "sn" for Sonnelith makes a clash with
// another program's chunk unlikely. The W64 GUID keeps that code in its first four bytes, as the
// standard W64 GUIDs do, with a random tail of its own instead of theirs, so
// it can never be taken for one of them.
#pragma once

#include <array>
#include <cstddef>
#include <cstdint>
#include <optional>
#include <string>
#include <vector>

inline constexpr char kRiffScoreChunkId[] = "snsc";
inline constexpr std::array<unsigned char, 16> kW64ScoreChunkGuid = {
    's', 'n', 's', 'c', 0x13, 0x7C, 0x91, 0x43, 0xAF, 0x31, 0x75, 0x16, 0xB1, 0x59, 0x8D, 0xF8};
inline constexpr char kFlacScoreField[] = "SONNELITH_SCORE";

// The GUID a W64 file starts with (its riff chunk).
inline constexpr std::array<unsigned char, 16> kW64RiffGuid = {
    'r', 'i', 'f', 'f', 0x2E, 0x91, 0xCF, 0x11, 0xA5, 0xD6, 0x28, 0xDB, 0x04, 0xC1, 0x00, 0x00};

// The largest score an output carries, and the largest one read back: the
// largest score file the score reader takes, and nothing read from a file
// is allocated past it.
inline constexpr std::size_t kMaxStoredScoreBytes = 4 << 20;

// The kinds of file a score can be stored in, as their first bytes show.
enum class ScoreContainer { Riff, Rf64, W64, Flac, Other };
inline constexpr std::size_t kContainerSignatureBytes = 40;  // a W64 header; the others need fewer
ScoreContainer RecogniseContainer(const std::vector<unsigned char>& firstBytes);

// Why text cannot be stored (too long, not UTF-8, a NUL byte in it), or
// nothing when it can.
std::optional<std::string> CheckStorableScore(const std::string& text);

// The whole RIFF chunk: id, 32-bit size, the text and a zero byte when its
// length is odd (counted in the size: see above).
std::vector<unsigned char> RiffScoreChunk(const std::string& text);
// The whole W64 chunk: GUID, 64-bit size (header included), the text and
// zero bytes up to a multiple of 8.
std::vector<unsigned char> W64ScoreChunk(const std::string& text);
