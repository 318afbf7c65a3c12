#include "cli/stored_score_text.h"

#include <filesystem>

#include "cli/command_line.h"
#include "cli/option_values.h"
#include "cli/score/plain_run_score.h"
#include "cli/score/score_writing.h"
#include "cli/score/source_fingerprint.h"
#include "engine/base/stereo_frame.h"

std::string PlainRunScoreText(const CommandLine& line, const std::string& inputPath, std::uint64_t inputFrames,
                              std::uint32_t seed, const std::string& folder)
{
    PlainRun run;
    run.m_strInputPath = inputPath;
    run.m_values = ParameterValuesOf(line);
    run.m_nLengthSeconds = *ParseLength(line.m_strLength);
    run.m_seed = seed;
    run.m_bLoop = line.m_bLoop;
    run.m_loudness = line.m_delivery.m_loudness;
    run.m_levelRange = line.m_levelRange;
    Score score = ScoreOfPlainRun(run, folder);
    // Standard input leaves no file to find again: its score names it, without facts.
    const FileHash hash = inputPath == "-" ? FileHash{0, "-"} : HashFileContents(inputPath);
    if (hash.m_strError.empty())
        score.m_layers.front().m_storedSource =
            SourceFacts{static_cast<double>(inputFrames) / kRunSampleRate, hash.m_nHash};
    return WriteScoreText(score);
}

std::string StoredScoreOf(const CommandLine& line, const std::string& inputPath, std::uint64_t inputFrames,
                          std::uint32_t seed)
{
    if (!line.m_bTag)
        return {};
    return PlainRunScoreText(line, inputPath, inputFrames, seed,
                             std::filesystem::path(line.m_strOutput).parent_path().string());
}
