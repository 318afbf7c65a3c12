// The score of a plain run: one layer of constant values, which renders what
// the run renders, so that a command line becomes a score to edit.
#pragma once

#include <cstdint>
#include <optional>
#include <string>

#include "engine/parameters/parameter_values.h"
#include "engine/score/score.h"

// What a plain run is asked for.
struct PlainRun {
    std::string m_strInputPath;  // as the run opens it
    ParameterValues m_values;    // every parameter, the volume and the fade among them
    std::int32_t m_nLengthSeconds = 15;
    std::optional<std::uint32_t> m_seed;  // the run's, when it is to be kept
    bool m_bLoop = false;
    std::optional<double> m_loudness;    // LUFS
    std::optional<double> m_levelRange;  // LU
};

// The one-layer score of run, to be written into scoreFolder: its source
// named as SourceNameFrom names it, and found from there as the reader
// finds it.
Score ScoreOfPlainRun(const PlainRun& run, const std::string& scoreFolder);

// The name by which a score in scoreFolder finds the file at path: relative
// when the file is in that folder or below ("rain.wav", "sounds/rain.wav"),
// else its absolute path.
std::string SourceNameFrom(const std::string& scoreFolder, const std::string& path);
