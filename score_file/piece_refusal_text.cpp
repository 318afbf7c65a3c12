#include "score_file/piece_refusal_text.h"

#include <cstdint>
#include <cstdio>

const char kNoMemoryForSources[] = "there is not enough memory for the sources of the score";

namespace {

std::string SecondsText(std::uint64_t frames)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.3f s", static_cast<double>(frames) / kRunSampleRate);
    return text;
}

}  // namespace

std::string PieceRefusalText(const PieceRefusal& refusal, const ScoreLayer& layer)
{
    const std::string length = SecondsText(refusal.m_nSourceFrames);
    switch (refusal.m_kind) {
    case PieceRefusal::Kind::SourceMissing: break;
    case PieceRefusal::Kind::StartPastEnd:
        return "source_start is at or past the end of " + layer.m_strSource + " (" + length + " long)";
    case PieceRefusal::Kind::EndPastEnd:
        return "source_end is past the end of " + layer.m_strSource + " (" + length + " long)";
    case PieceRefusal::Kind::StretchTooShort:
        return "the layer reads " + SecondsText(refusal.m_nStretchFrames) + " of " + layer.m_strSource +
               ", and its longest grain reads " + SecondsText(refusal.m_nLongestRead) +
               "; read a longer stretch or shorten the grains";
    }
    return layer.m_strSource + " was not loaded";
}
