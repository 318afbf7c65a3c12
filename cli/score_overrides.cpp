#include "cli/score_overrides.h"

#include "cli/command_line.h"
#include "cli/option_values.h"
#include "engine/parameters/parameter_table.h"

namespace {

bool Given(const CommandLine& line, const std::string& option)
{
    return line.m_given.count(option) > 0;
}

}  // namespace

std::optional<std::string> ApplyScoreOverrides(const CommandLine& line, Score& score)
{
    const ParameterValues values = ParameterValuesOf(line);
    for (const ParameterRow& row : ParameterTable()) {
        const std::string option = std::string("--") + row.m_szName;
        const bool top = row.m_scope == ParameterScope::Track;
        if (Given(line, option) && !top)
            return option + " is a layer's value; with a score, give it in the score's layers";
    }
    if (Given(line, "--length"))
        score.m_nLengthSeconds = *ParseLength(line.m_strLength);
    if (Given(line, "--seed"))
        score.m_seed = static_cast<std::uint32_t>(*ParseDigits(line.m_strSeed, UINT32_MAX));
    if (Given(line, "--volume"))
        score.m_nVolume = values.Whole(ParameterId::Volume);
    if (Given(line, "--fade"))
        score.m_nFadeSeconds = values.Whole(ParameterId::Fade);
    if (Given(line, "--loop"))
        score.m_bLoop = line.m_bLoop;
    if (line.m_levelRange)
        score.m_levelRange = line.m_levelRange;
    if (line.m_delivery.m_loudness)
        score.m_loudness = line.m_delivery.m_loudness;
    return std::nullopt;
}
