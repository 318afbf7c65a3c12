#include "cli/stored_score_text.h"

#include <filesystem>

#include "cli/command_line.h"
#include "cli/option_values.h"
#include "score_file/plain_run_score.h"
#include "score_file/score_limits.h"
#include "score_file/score_writing.h"
#include "score_file/source_fingerprint.h"
#include "engine/base/stereo_frame.h"
#include "formats/sound_file_messages.h"
#include "formats/stored_score_layout.h"

// Whatever the score reader takes can be stored in an output and read back.
static_assert(kLargestScoreBytes == kMaxStoredScoreBytes);

namespace {

std::string FolderOf(const std::string& path)
{
    return std::filesystem::path(path).parent_path().string();
}

std::string FileName(const std::string& path)
{
    return path == "-" ? "standard output" : PrintableName(path);
}

}  // namespace

std::string PlainRunScoreText(const CommandLine& line, const PlainRunInput& input, std::uint32_t seed,
                              const std::string& folder)
{
    PlainRun run;
    run.m_strInputPath = input.m_strPath;
    run.m_values = ParameterValuesOf(line);
    run.m_nLengthSeconds = *ParseLength(line.m_strLength);
    run.m_seed = seed;
    run.m_bLoop = line.m_bLoop;
    run.m_loudness = line.m_delivery.m_loudness;
    run.m_levelRange = line.m_levelRange;
    Score score = ScoreOfPlainRun(run, folder);
    if (input.m_hash)
        score.m_layers.front().m_storedSource =
            SourceFacts{static_cast<double>(input.m_nFrames) / kRunSampleRate, *input.m_hash};
    return WriteScoreText(score);
}

std::string StoredScoreOf(const CommandLine& line, const PlainRunInput& input, std::uint32_t seed)
{
    if (!line.m_bTag)
        return {};
    return PlainRunScoreText(line, input, seed, FolderOf(line.m_strOutput));
}

std::optional<std::string> RefuseUnstorableName(const std::string& doing, const std::string& scorePath,
                                                const std::string& sourcePath)
{
    const std::string name = SourceNameFrom(scorePath == "-" ? "" : FolderOf(scorePath), sourcePath);
    if (!CheckStorableScore(name))
        return std::nullopt;
    return doing + " " + FileName(scorePath) + ": the name of its source, " + PrintableName(name) +
           ", is not UTF-8 text, which a score is; rename the file or the folder it is in";
}

std::optional<std::string> RefuseUnstorableScore(const std::string& doing, const std::string& path,
                                                 const std::string& text)
{
    const std::optional<std::string> reason = text.empty() ? std::nullopt : CheckStorableScore(text);
    if (!reason)
        return std::nullopt;
    return doing + " " + FileName(path) + ": " + *reason;
}
