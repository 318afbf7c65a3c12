#include "cli/stored_score_text.h"

#include "cli/command_line.h"

std::string StoredScoreOf(const CommandLine& line, std::uint32_t seed)
{
    if (!line.m_bTag)
        return {};
    return "# sonnelith score\nseed = " + std::to_string(seed) + "\n";
}
