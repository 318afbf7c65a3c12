#include "cli/score_render.h"

#include <algorithm>
#include <cstdint>
#include <ctime>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <map>
#include <span>

#include "cli/command_line.h"
#include "cli/exit_status.h"
#include "cli/interrupt_signal.h"
#include "cli/memory_room.h"
#include "cli/option_values.h"
#include "cli/random_seed.h"
#include "cli/run_steps.h"
#include "score_file/effect_reading.h"
#include "score_file/piece_refusal_text.h"
#include "score_file/plain_run_score.h"
#include "score_file/score_reading.h"
#include "score_file/score_writing.h"
#include "cli/score_overrides.h"
#include "cli/score_saving_sink.h"
#include "cli/score_sources.h"
#include "cli/standard_output_watch.h"
#include "cli/stored_score_text.h"
#include "effects/effect_chain.h"
#include "engine/base/stereo_frame.h"
#include "engine/run/score_piece.h"
#include "engine/run/score_run.h"
#include "formats/sound_file_messages.h"
#include "wav/file_exception.h"

namespace {

// A stretch of the track to render alone; m_nSeconds 0: the whole track.
struct Excerpt {
    std::int32_t m_nFirstSecond = 0;
    std::int32_t m_nSeconds = 0;
};

// The text may quote the score and its sources: shown as a terminal can take it.
int Refuse(const std::string& text)
{
    std::cerr << "sonnelith-cli: " << PrintableName(text) << '\n';
    return kExitUsage;
}

// A run that cannot go on for its files or the memory there is, not for its
// command line or its score.
int Fail(const std::string& text)
{
    std::cerr << "sonnelith-cli: " << text << '\n';
    return kExitRunFailed;
}

std::variant<Excerpt, std::string> ExcerptOf(const CommandLine& line, const Score& score)
{
    if (line.m_strFrom.empty() && line.m_strFor.empty())
        return Excerpt{};
    if (line.m_strFrom.empty() || line.m_strFor.empty())
        return std::string("--from and --for go together: the excerpt's start and its length");
    Excerpt excerpt;
    excerpt.m_nFirstSecond = *ParseLength(line.m_strFrom);
    excerpt.m_nSeconds = *ParseLength(line.m_strFor);
    if (excerpt.m_nFirstSecond + excerpt.m_nSeconds > score.m_nLengthSeconds) {
        return "the excerpt ends at " + std::to_string(excerpt.m_nFirstSecond + excerpt.m_nSeconds) +
               " s, after the track's end at " + std::to_string(score.m_nLengthSeconds) + " s";
    }
    return excerpt;
}

// The score as rendered, to store or save: its seed, each source's facts,
// the sources named from folder, and the versions of the effects' plugins.
Score ScoreToKeep(const Score& score, std::uint32_t seed, const LoadedSources& sources, const std::string& folder)
{
    Score kept = score;
    kept.m_seed = seed;
    for (ScoreLayer& layer : kept.m_layers) {
        layer.m_strSource = SourceNameFrom(folder, layer.m_strSourcePath);
        layer.m_storedSource = sources.m_facts.at(layer.m_strSourcePath);
        layer.m_effects = WithInstalledVersions(layer.m_effects);
    }
    kept.m_effects = WithInstalledVersions(kept.m_effects);
    return kept;
}

std::string FolderOf(const std::string& path)
{
    return std::filesystem::path(path).parent_path().string();
}

// The score as the piece renders it: each layer reads its file's one sound,
// whatever name it gives the file, so that layers reading one file the
// same way share its preparation too.
Score ReadingLoadedSounds(Score score, const LoadedSources& sources)
{
    for (ScoreLayer& layer : score.m_layers)
        layer.m_strSourcePath = sources.m_soundOf.at(layer.m_strSourcePath);
    return score;
}

// Whether some layer leaves the part of its source below 20 Hz as it is.
bool AnyLayerWithoutLowCut(const Score& score)
{
    return std::any_of(score.m_layers.begin(), score.m_layers.end(),
                       [](const ScoreLayer& layer) { return layer.m_values.Get(ParameterId::LowCut) == 0.0; });
}

std::uint32_t ResolvedSeed(const Score& score)
{
    if (score.m_seed)
        return *score.m_seed;
    return SystemRandomSeed().value_or(static_cast<std::uint32_t>(std::time(nullptr)));
}

const char kStoring[] = "cannot store the score of this render in";
const char kSaving[] = "--save-score cannot write the score of this render to";

// A whole render stores its score in the output, and --save-score writes
// it: each names every source from its own folder, which must be UTF-8 text.
std::optional<std::string> RefuseUnstorableNames(const CommandLine& line, const Score& score, bool whole)
{
    for (const ScoreLayer& layer : score.m_layers) {
        if (whole) {
            if (auto why = RefuseUnstorableName(kStoring, line.m_strOutput, layer.m_strSourcePath))
                return why;
        }
        if (!line.m_strSaveScore.empty()) {
            if (auto why = RefuseUnstorableName(kSaving, line.m_strSaveScore, layer.m_strSourcePath))
                return why;
        }
    }
    return std::nullopt;
}

// The score and every layer's source, for the check that nothing written is one of them.
std::vector<ReadFile> FilesRead(const Score& score, const std::string& scorePath)
{
    std::vector<ReadFile> read{{scorePath, "the score"}};
    for (std::size_t i = 0; i < score.m_layers.size(); ++i) {
        read.push_back({score.m_layers[i].m_strSourcePath,
                        "the source of layer " + std::to_string(i + 1) + " of " + PrintableName(scorePath)});
    }
    return read;
}

}  // namespace

bool IsScoreInput(const CommandLine& line)
{
    return line.m_input && std::filesystem::path(*line.m_input).extension() == ".toml";
}

int RenderScore(const CommandLine& line, const OutputFormat& format, const StandardDescriptors& found)
{
    InstallInterruptHandler();
    TerminalHost host(ChooseDisplay(line.m_bQuiet), std::cerr, std::cerr);
    if (const auto refusal = RefuseClosedOutput(format, found)) {
        host.ShowMessage(*refusal, GenerationHost::MessageKind::Error);
        return kExitRunFailed;
    }
    const std::string& scorePath = *line.m_input;
    ScoreReading reading = ReadScoreFile(scorePath, [] { return WasInterrupted(); });
    if (reading.m_bCancelled)
        return CancelledStatus();
    if (!reading.m_score)
        return reading.m_bFileUnreadable ? Fail(reading.m_strError) : Refuse(reading.m_strError);
    Score score = std::move(*reading.m_score);
    if (const auto refused = RefuseOverwrite(line, FilesRead(score, scorePath)))
        return *refused;
    for (const std::string& note : EffectVersionNotes(score, scorePath))
        host.Inform("Note: " + note);
    if (const auto why = ApplyScoreOverrides(line, score))
        return Refuse(*why);
    const auto excerptOrWhy = ExcerptOf(line, score);
    if (const auto* why = std::get_if<std::string>(&excerptOrWhy))
        return Refuse(*why);
    const Excerpt excerpt = std::get<Excerpt>(excerptOrWhy);
    if (excerpt.m_nSeconds > 0 && line.m_bTag)
        return Refuse("--tag stores the score of a whole render, and an excerpt stores none; leave out --tag, or "
                      "render the whole score");
    if (const auto why = RefuseUnstorableNames(line, score, excerpt.m_nSeconds == 0))
        return Refuse(*why);
    const std::uint32_t seed = ResolvedSeed(score);

    SourcesLoading loading;
    try {
        loading = LoadScoreSources(
            score, scorePath, [&](const std::string& text) { host.Inform(text); }, AvailableMemoryBytes());
    } catch (const FileException& error) {
        return Fail(ScoreMessage(scorePath, 0, PrintableName(error.GetPath()) + ": " + error.GetOsErrorText()));
    }
    if (!loading.m_sources)
        return loading.m_strError.empty() ? CancelledStatus() : Fail(loading.m_strError);
    const LoadedSources& sources = *loading.m_sources;
    const Score rendered = ReadingLoadedSounds(score, sources);

    PieceRequest request;
    request.m_pScore = &rendered;
    request.m_nSeed = seed;
    for (const auto& [path, sound] : sources.m_sounds)
        request.m_sourceFrames[path] = sound.size();
    request.m_nExcerptFirst = static_cast<std::uint64_t>(excerpt.m_nFirstSecond) * kRunSampleRate;
    request.m_nExcerptFrames = static_cast<std::uint64_t>(excerpt.m_nSeconds) * kRunSampleRate;
    // The stretches the layers read do not fit their sources: as for a plain
    // run's input, a failure of the run.
    const ScorePiece::Planning planning = ScorePiece::Plan(request);
    if (!planning.m_pPiece) {
        const ScoreLayer& layer = score.m_layers.at(planning.m_refusal.m_nLayer);
        return Fail(ScoreMessage(scorePath, layer.m_nLine, PieceRefusalText(planning.m_refusal, layer)));
    }

    const bool whole = excerpt.m_nSeconds == 0;
    const std::string saved = line.m_strSaveScore.empty()
                                  ? std::string()
                                  : WriteScoreText(ScoreToKeep(score, seed, sources, FolderOf(line.m_strSaveScore)));
    const std::string stored =
        whole ? WriteScoreText(ScoreToKeep(score, seed, sources, FolderOf(line.m_strOutput))) : std::string();
    if (const auto why = RefuseUnstorableScore(kStoring, line.m_strOutput, stored))
        return Refuse(*why);
    if (const auto why = RefuseUnstorableScore(kSaving, line.m_strSaveScore, saved))
        return Refuse(*why);

    const std::uint64_t outputFrames =
        whole ? static_cast<std::uint64_t>(score.m_nLengthSeconds) * kRunSampleRate : request.m_nExcerptFrames;
    ScoreRun run(host);
    StandardOutputWatch watch(host);
    run.SetScore(rendered);
    run.SetExcerpt(request.m_nExcerptFirst, request.m_nExcerptFrames);
    run.SetSynthesisOptions(MakeSynthesisOptions(line));
    run.SetRandomState(seed);
    run.SetChainMaker([](const EffectChainSetting& settings) { return std::make_unique<EffectChain>(settings); });
    for (const auto& [path, sound] : sources.m_sounds)
        run.SetSourceSound(path, sound.Span());
    const bool measureSubAudio = AnyLayerWithoutLowCut(score);
    run.MeasureSubAudio(measureSubAudio);
    run.MeasureLayerSubAudio(measureSubAudio);
    const bool loop = score.m_bLoop && whole;
    NearSilenceSurvey nearSilence;
    std::unique_ptr<FrameSink> sink = MakeSink(score.m_layers.front().m_strSourcePath, outputFrames, format, loop,
                                               watch, stored, SinkExtrasOf(line, seed, nearSilence));
    if (!saved.empty())
        sink = SavingScoreOnCreate(std::move(sink), line.m_strSaveScore, saved);
    run.SetSink(std::move(sink), line.m_strOutput);
    run.SetStreaming(MakeStreamingOptions(line, line.m_strOutput, outputFrames, format));
    const DeliveryLevelPlan plan{score.m_nVolume * 0.01, format.m_nRate, score.m_loudness};
    const DeliveryLevelMeter* meter = MeterDeliveryLevel(run, plan);
    const LevelEveningPlan* evening = EvenLevel(run, score.m_levelRange, loop);
    RunReport report{seed, sources.m_dSeconds, meter, plan, evening, score.m_levelRange.value_or(0.0), {}, nullptr,
                     &nearSilence};
    if (measureSubAudio) {
        for (const ScoreLayer& layer : score.m_layers)
            report.m_layerNames.push_back("the layer at line " + std::to_string(layer.m_nLine) + " (" +
                                          PrintableName(layer.m_strSource) + ")");
        report.m_pLayerSubAudio = &run.GetLayerSubAudioPeaks();
    }
    return RunAndReport(run, host, line, watch, report);
}
