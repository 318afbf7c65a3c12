// Stores a score as a chunk in a finished WAV, RF64 or W64 file.
//
// WAV and RF64: the chunk goes after everything the file holds, and the
// file's overall size grows to count it; players and libsndfile skip it.
// W64: libsndfile misreads a chunk after the data chunk of a W64 file (it
// takes it for sound), so there the chunk comes before the sound: the file
// is written by libsndfile after room left at its start
// (SndfileSink::LeaveRoomBefore), and the room then takes the file's header
// and the chunk, libsndfile's own header being overwritten.
#pragma once

#include <cstdint>
#include <string>

// Appends the chunk to the complete WAV or RF64 file at path and updates the
// RIFF size (WAV) or the ds64 RIFF size (RF64). Failures of the operating
// system, and a WAV that would pass the 4 GiB its size field can count
// (EFBIG), raise FileException.
void AppendScoreChunk(const std::string& path, const std::string& text);

// The room a W64 file needs at its start for text's chunk.
std::uint64_t W64ScoreRoom(const std::string& text);

// Writes the W64 header and text's chunk into the room at the start of the
// complete file at path (which libsndfile wrote after that room), so that
// the file reads: riff, wave, the score's chunk, then libsndfile's chunks.
// Failures raise FileException.
void FillW64ScoreRoom(const std::string& path, const std::string& text);
