// A folder for score tests: a temporary folder holding the sources a score
// names, and the reading of a score text found there.
#pragma once

#include <string>

#include "score_file/score_reading.h"
#include "tests/support/temp_dir.h"

class ScoreTestFolder {
public:
    // Creates the sources rain.flac and tone.wav (a few bytes each: the reader
    // checks only that they open).
    ScoreTestFolder();

    const TempDir& Dir() const { return m_dir; }
    // The full path of name in the folder, created with a few bytes.
    std::string AddSource(const std::string& name) const;
    // The text read as the score "score.toml" of this folder.
    ScoreReading Read(const std::string& text) const;
    // The error of reading text; empty (and a test failure) when it reads.
    std::string Refusal(const std::string& text) const;
    // The score text describes; a default score (and a test failure) when refused.
    Score Accepted(const std::string& text) const;

private:
    TempDir m_dir;
};

// A score of one layer with source rain.flac: the whole score's lines, then
// the layer's.
std::string OneLayerScore(const std::string& top, const std::string& layer);
