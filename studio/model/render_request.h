// What "Render..." asks sonnelith-cli for: the delivery the command line
// offers (format by the file's extension, bits, rate) and the piece's own
// values that shape the file (length, loop, the level as a peak or a
// loudness, the level range), which go into the score the command-line
// renders, so that the file stores the score it was rendered from.
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

#include "engine/score/score.h"

namespace studio {

struct RenderChoices {
    std::string m_strOutput;  // .wav, .flac or .w64
    int m_nBits = 16;
    int m_nRate = 44100;
    std::int32_t m_nLengthSeconds = 15;
    bool m_bLoop = false;
    int m_nVolume = 50;                 // the peak, or the ceiling with a loudness
    std::optional<double> m_loudness;   // LUFS
    std::optional<double> m_levelRange; // LU
};

// The choices a score renders with when nothing is changed.
RenderChoices ChoicesOf(const Score& score, const std::string& output);

// The score to render: score with the choices' values and, when it keeps no
// seed, seed (the one it was heard with).
Score ScoreToRender(const Score& score, const RenderChoices& choices, std::uint32_t seed);

// The command line after the program's name, for the score file at
// scorePath: only the options that differ from sonnelith-cli's defaults.
std::vector<std::string> RenderArguments(const RenderChoices& choices, const std::string& scorePath);

// Why the choices cannot go together ("FLAC holds 16 or 24 bits"), or nothing.
std::optional<std::string> RefuseChoices(const RenderChoices& choices);

}  // namespace studio
