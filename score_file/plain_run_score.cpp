#include "score_file/plain_run_score.h"

#include <filesystem>
#include <system_error>

#include "score_file/score_sources.h"
#include "engine/score/one_layer_score.h"

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
    Score score = OneLayerScore(run.m_values, run.m_nLengthSeconds, run.m_strInputPath);
    score.m_seed = run.m_seed;
    score.m_bLoop = run.m_bLoop;
    score.m_loudness = run.m_loudness;
    score.m_levelRange = run.m_levelRange;
    ScoreLayer& layer = score.m_layers.front();
    layer.m_strSource = SourceNameFrom(scoreFolder, run.m_strInputPath);
    layer.m_strSourcePath = ResolveSourcePath(scoreFolder, layer.m_strSource);
    return score;
}
