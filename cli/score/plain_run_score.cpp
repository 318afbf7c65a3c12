#include "cli/score/plain_run_score.h"

#include <filesystem>
#include <system_error>

#include "cli/score/score_sources.h"
#include "engine/parameters/parameter_table.h"

namespace {

std::filesystem::path AbsoluteOf(const std::string& path)
{
    std::error_code error;
    const std::filesystem::path absolute = std::filesystem::absolute(path.empty() ? "." : path, error);
    return (error ? std::filesystem::path(path) : absolute).lexically_normal();
}

}  // namespace

std::string SourceNameFrom(const std::string& scoreFolder, const std::string& path)
{
    const std::filesystem::path source = AbsoluteOf(path);
    const std::filesystem::path relative = source.lexically_relative(AbsoluteOf(scoreFolder));
    // Relative only inside the score's folder: a folder moved with its
    // sounds still finds them, and a sound elsewhere is named where it is.
    const bool inside = !relative.empty() && *relative.begin() != "..";
    return inside ? relative.string() : source.string();
}

Score ScoreOfPlainRun(const PlainRun& run, const std::string& scoreFolder)
{
    Score score;
    score.m_nLengthSeconds = run.m_nLengthSeconds;
    score.m_seed = run.m_seed;
    score.m_nVolume = run.m_values.Whole(ParameterId::Volume);
    score.m_nFadeSeconds = run.m_values.Whole(ParameterId::Fade);
    score.m_bLoop = run.m_bLoop;
    score.m_loudness = run.m_loudness;
    score.m_levelRange = run.m_levelRange;
    ScoreLayer layer;
    layer.m_strSource = SourceNameFrom(scoreFolder, run.m_strInputPath);
    layer.m_strSourcePath = ResolveSourcePath(scoreFolder, layer.m_strSource);
    // The volume and the fade are the score's; the layer keeps the defaults.
    const ParameterValues defaults;
    layer.m_values = run.m_values.With(ParameterId::Volume, defaults.Get(ParameterId::Volume))
                         .With(ParameterId::Fade, defaults.Get(ParameterId::Fade));
    score.m_layers.push_back(std::move(layer));
    return score;
}
