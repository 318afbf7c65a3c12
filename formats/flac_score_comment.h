// Stores a score in a FLAC file as the Vorbis comment SONNELITH_SCORE.
//
// libsndfile writes a FLAC file's comments before its first frame and knows
// only the standard field names (COMMENT, TITLE, ...), so the file is made
// with a COMMENT of exactly the length the score's own comment will take;
// when the file is complete, libFLAC puts the score's comment in its place.
// The metadata keeps its size, so the frames stay where they are and nothing
// is copied, however long the file.
#pragma once

#include <string>

// The COMMENT text to give libsndfile for a file that will store text.
std::string FlacScorePlaceholder(const std::string& text);

// Replaces the placeholder COMMENT of the complete FLAC file at path with
// SONNELITH_SCORE=text. A failure raises FileException.
void PutScoreInFlacComments(const std::string& path, const std::string& text);
