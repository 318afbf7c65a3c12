#include "cli/generate.h"
#include "cli/run_steps.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <filesystem>
#include <fstream>
#include <iostream>
#include <memory>
#include <optional>
#include <string>

#include "cli/bundled_sample.h"
#include "cli/command_line.h"
#include "cli/exit_status.h"
#include "cli/interrupt_signal.h"
#include "cli/option_values.h"
#include "cli/random_seed.h"
#include "cli/score_saving_sink.h"
#include "score_file/source_fingerprint.h"
#include "cli/run_input.h"
#include "cli/standard_descriptors.h"
#include "cli/standard_output_watch.h"
#include "cli/stored_score_text.h"
#include "cli/terminal_host.h"
#include "cli/timings_report.h"
#include "engine/base/wall_clock.h"
#include "engine/random/random_generator.h"
#include "engine/run/score_run.h"
#include "engine/score/one_layer_score.h"
#include "engine/parameters/parameter_table.h"
#include "engine/render/frame_spill.h"
#include "engine/io/wave_frame_sink.h"
#include "measurement/delivery_level.h"
#include "measurement/delivery_level_meter.h"
#include "formats/held_file.h"
#include "formats/output_sink_factory.h"
#include "formats/sound_file_messages.h"
#include "formats/sound_file_opener.h"

namespace {

std::string InputPathOf(const CommandLine& line)
{
    return line.m_input ? *line.m_input : FindBundledSample().string();
}

// The run's one-layer score: the command line's values, its length, loop and
// level range (which evens the grains' levels as well as the track's).
Score ScoreOf(const CommandLine& line, const std::string& inputPath)
{
    Score score = OneLayerScore(ParameterValuesOf(line), *ParseLength(line.m_strLength), inputPath);
    score.m_bLoop = line.m_bLoop;
    score.m_levelRange = line.m_levelRange;
    return score;
}

// --seed, or the system's random source, or the clock, so that runs started
// together differ.
std::uint32_t SeedOf(const CommandLine& line)
{
    if (!line.m_strSeed.empty())
        return static_cast<std::uint32_t>(*ParseDigits(line.m_strSeed, UINT32_MAX));
    if (const auto seed = SystemRandomSeed())
        return *seed;
    return RandomGenerator::SeedFromTime(static_cast<std::uint32_t>(SystemClockSeconds()));
}

// The run as the command line asks for it: its score, seed, the open input
// and the output (which writes --save-score's file once it is created).
void SetUpRun(ScoreRun& run, const CommandLine& line, const Score& score, const OutputFormat& format,
              std::unique_ptr<SoundSource> source, const PlainRunInput& described, StandardOutputWatch& watch,
              NearSilenceSurvey& nearSilence)
{
    const std::string& inputPath = score.m_layers.front().m_strSourcePath;
    const std::uint64_t outputFrames = static_cast<std::uint64_t>(score.m_nLengthSeconds) * kRunSampleRate;
    run.SetScore(score);
    run.SetSynthesisOptions(MakeSynthesisOptions(line));
    run.SetRandomState(SeedOf(line));
    run.SetSource(inputPath, std::move(source));
    std::unique_ptr<FrameSink> sink =
        MakeSink(inputPath, outputFrames, format, score.m_bLoop, watch,
                 StoredScoreOf(line, described, run.GetRandomState()),
                 SinkExtrasOf(line, run.GetRandomState(), nearSilence));
    if (!line.m_strSaveScore.empty()) {
        // The plain run's score, its input named from the score's folder.
        const std::string folder = std::filesystem::path(line.m_strSaveScore).parent_path().string();
        sink = SavingScoreOnCreate(std::move(sink), line.m_strSaveScore,
                                   PlainRunScoreText(line, described, run.GetRandomState(), folder));
    }
    run.SetSink(std::move(sink), line.m_strOutput);
    run.SetStreaming(MakeStreamingOptions(line, line.m_strOutput, outputFrames, format));
    run.MeasureSubAudio(score.m_layers.front().m_values.Get(ParameterId::LowCut) == 0.0);
}

// --tag and --save-score write a score that names the input: refused before
// anything is written when it cannot (a name that is not UTF-8 text).
std::optional<std::string> RefuseUnstorableInputName(const CommandLine& line, const std::string& inputPath)
{
    if (line.m_bTag) {
        if (auto why = RefuseUnstorableName("--tag cannot store the score of this run in", line.m_strOutput, inputPath))
            return why;
    }
    if (line.m_strSaveScore.empty())
        return std::nullopt;
    return RefuseUnstorableName("--save-score cannot write the score of this run to", line.m_strSaveScore, inputPath);
}

// A file input is held open from the start, and the run reads the file so
// held; a stream, or a name that does not open, goes its usual way (and
// gets its usual message). A FIFO is not opened here: closing it again
// could leave its writer without a reader.
std::optional<HeldFile> HoldInput(const std::string& path)
{
    struct stat info {};
    if (path == "-" || stat(path.c_str(), &info) != 0 || !S_ISREG(info.st_mode))
        return std::nullopt;
    std::string reason;
    return HeldFile::Open(path, reason);
}

// The hash a stored or saved score gives the input: of the file the run
// reads, when one is to be written; none for a stream.
std::optional<std::uint64_t> InputHash(const CommandLine& line, const std::optional<HeldFile>& held,
                                       const std::string& path)
{
    if (!held || (!line.m_bTag && line.m_strSaveScore.empty()))
        return std::nullopt;
    const FileHash hash = HashDescriptorContents(held->Descriptor(), path);
    if (!hash.m_strError.empty())
        return std::nullopt;
    return hash.m_nHash;
}

}  // namespace

int Generate(const CommandLine& line, const OutputFormat& format, const StandardDescriptors& found)
{
    InstallInterruptHandler();
    if (!line.m_strFrom.empty() || !line.m_strFor.empty()) {
        std::cerr << "sonnelith-cli: --from and --for render an excerpt of a score; write this run's score with "
                     "--save-score and render an excerpt of it\n";
        return kExitUsage;
    }
    if (!line.m_input && !std::filesystem::exists(FindBundledSample())) {
        std::cerr << "sonnelith-cli: the bundled sample sound is missing ("
                  << PrintableName(FindBundledSample().string()) << "); give an input file\n";
        return kExitRunFailed;
    }
    const std::string inputPath = InputPathOf(line);
    if (const auto refused = RefuseOverwrite(line, {{inputPath, "the input file"}}))
        return *refused;
    if (const auto why = RefuseUnstorableInputName(line, inputPath)) {
        std::cerr << "sonnelith-cli: " << *why << '\n';
        return kExitUsage;
    }
    TerminalHost host(ChooseDisplay(line.m_bQuiet), std::cerr, std::cerr);
    if (const auto refusal = RefuseClosedOutput(format, found)) {
        host.ShowMessage(*refusal, GenerationHost::MessageKind::Error);
        return kExitRunFailed;
    }
    const Score score = ScoreOf(line, inputPath);
    const auto openingStart = std::chrono::steady_clock::now();
    const std::optional<HeldFile> held = HoldInput(inputPath);
    InputOpening input =
        held ? OpenRunInput(line, held->ReadablePath(), found, inputPath) : OpenRunInput(line, inputPath, found);
    const double openingSeconds = SecondsSince(openingStart);
    if (input.m_bCancelled)
        return CancelledStatus();
    if (!input.m_opening.m_pSource) {
        host.ShowMessage(input.m_opening.m_failure, GenerationHost::MessageKind::Error);
        return kExitRunFailed;
    }
    host.Inform(input.m_strRoute);
    const PlainRunInput described{inputPath, input.m_opening.m_pSource->GetFrameCount(),
                                  InputHash(line, held, inputPath)};

    ScoreRun run(host);
    StandardOutputWatch watch(host);
    const DeliveryLevelPlan plan{score.m_nVolume * 0.01, format.m_nRate, line.m_delivery.m_loudness};
    NearSilenceSurvey nearSilence;
    SetUpRun(run, line, score, format, std::move(input.m_opening.m_pSource), described, watch, nearSilence);
    const DeliveryLevelMeter* meter = MeterDeliveryLevel(run, plan);
    const LevelEveningPlan* evening = EvenLevel(run, line.m_levelRange, line.m_bLoop);
    RunReport report{run.GetRandomState(), openingSeconds, meter, plan, evening,
                     line.m_levelRange.value_or(0.0), {}, nullptr, &nearSilence};
    return RunAndReport(run, host, line, watch, report);
}
