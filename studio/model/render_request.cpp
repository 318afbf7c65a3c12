#include "studio/model/render_request.h"

#include <variant>

#include "formats/output_format.h"

namespace studio {

RenderChoices ChoicesOf(const Score& score, const std::string& output)
{
    RenderChoices choices;
    choices.m_strOutput = output;
    choices.m_nLengthSeconds = score.m_nLengthSeconds;
    choices.m_bLoop = score.m_bLoop;
    choices.m_nVolume = score.m_nVolume;
    choices.m_loudness = score.m_loudness;
    choices.m_levelRange = score.m_levelRange;
    return choices;
}

Score ScoreToRender(const Score& score, const RenderChoices& choices, std::uint32_t seed)
{
    Score rendered = score;
    rendered.m_nLengthSeconds = choices.m_nLengthSeconds;
    rendered.m_bLoop = choices.m_bLoop;
    rendered.m_nVolume = choices.m_nVolume;
    rendered.m_loudness = choices.m_loudness;
    rendered.m_levelRange = choices.m_levelRange;
    if (!rendered.m_seed)
        rendered.m_seed = seed;
    return rendered;
}

std::vector<std::string> RenderArguments(const RenderChoices& choices, const std::string& scorePath)
{
    std::vector<std::string> arguments = {scorePath, "-o", choices.m_strOutput};
    if (choices.m_nBits != 16)
        arguments.insert(arguments.end(), {"--bits", std::to_string(choices.m_nBits)});
    if (choices.m_nRate != 44100)
        arguments.insert(arguments.end(), {"--rate", std::to_string(choices.m_nRate)});
    return arguments;
}

std::optional<std::string> RefuseChoices(const RenderChoices& choices)
{
    if (choices.m_strOutput.empty())
        return std::string("choose the file to render to");
    const auto format = ChooseOutputFormat(choices.m_strOutput, choices.m_nBits, choices.m_nRate);
    if (const auto* why = std::get_if<std::string>(&format))
        return *why;
    return std::nullopt;
}

}  // namespace studio
