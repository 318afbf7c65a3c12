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
#include "cli/run_input.h"
#include "cli/standard_descriptors.h"
#include "cli/standard_output_watch.h"
#include "cli/stored_score_text.h"
#include "cli/terminal_host.h"
#include "cli/timings_report.h"
#include "engine/generation_run.h"
#include "engine/parameters/parameter_table.h"
#include "engine/render/frame_spill.h"
#include "engine/wave_io/wave_frame_sink.h"
#include "formats/delivery_level.h"
#include "formats/delivery_level_meter.h"
#include "formats/output_sink_factory.h"
#include "formats/sound_file_messages.h"
#include "formats/sound_file_opener.h"

namespace {

GenerationSettings MakeSettings(const CommandLine& line)
{
    GenerationSettings settings;
    settings.m_strInputPath = line.m_input ? *line.m_input : FindBundledSample().string();
    settings.m_strOutputPath = line.m_strOutput;
    settings.m_nDurationSeconds = *ParseLength(line.m_strLength);
    ApplyParameters(ParameterValuesOf(line), settings);
    return settings;
}

// --seed, or the system's random source, so that runs started together differ.
void Seed(GenerationRun& run, const CommandLine& line)
{
    if (!line.m_strSeed.empty())
        run.SetRandomState(static_cast<std::uint32_t>(*ParseDigits(line.m_strSeed, UINT32_MAX)));
    else if (const auto seed = SystemRandomSeed())
        run.SetRandomState(*seed);
    else
        run.SeedRandom();
}

// The run as the command line asks for it: settings, seed, the open input and
// the output.
void SetUpRun(GenerationRun& run, const CommandLine& line, const GenerationSettings& settings,
              const OutputFormat& format, std::unique_ptr<SoundSource> source, StandardOutputWatch& watch)
{
    run.SetSettings(settings);
    run.SetSynthesisOptions(MakeSynthesisOptions(line));
    Seed(run, line);
    const std::uint64_t inputFrames = source->GetFrameCount();
    run.SetSourceOpener(HandOver(std::move(source)));
    run.SetSink(MakeSink(settings, format, line.m_bLoop, watch,
                         StoredScoreOf(line, settings.m_strInputPath, inputFrames, run.GetRandomState())));
    run.SetStreaming(MakeStreamingOptions(line, settings, format));
    run.MeasureSubAudio(settings.m_dLowCutHz == 0.0);
}

// The plain run's score, its input named from the score's folder.
bool SaveScore(const CommandLine& line, const std::string& inputPath, std::uint64_t inputFrames, std::uint32_t seed)
{
    const std::string folder = std::filesystem::path(line.m_strSaveScore).parent_path().string();
    return WriteScoreFile(line.m_strSaveScore, PlainRunScoreText(line, inputPath, inputFrames, seed, folder));
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
    TerminalHost host(ChooseDisplay(line.m_bQuiet), std::cerr, std::cerr);
    if (const auto refusal = RefuseClosedOutput(format, found)) {
        host.ShowMessage(*refusal, GenerationHost::MessageKind::Error);
        return kExitRunFailed;
    }
    const GenerationSettings settings = MakeSettings(line);
    const auto openingStart = std::chrono::steady_clock::now();
    InputOpening input = OpenRunInput(line, settings.m_strInputPath, found);
    const double openingSeconds = SecondsSince(openingStart);
    if (input.m_bCancelled)
        return CancelledStatus();
    if (!input.m_opening.m_pSource) {
        host.ShowMessage(input.m_opening.m_failure, GenerationHost::MessageKind::Error);
        return kExitRunFailed;
    }
    host.Inform(input.m_strRoute);
    const std::uint64_t inputFrames = input.m_opening.m_pSource->GetFrameCount();

    GenerationRun run(host);
    StandardOutputWatch watch(host);
    const DeliveryLevelPlan plan{settings.m_dVolume, format.m_nRate, line.m_delivery.m_loudness};
    SetUpRun(run, line, settings, format, std::move(input.m_opening.m_pSource), watch);
    const DeliveryLevelMeter* meter = MeterDeliveryLevel(run, plan);
    if (!line.m_strSaveScore.empty() && !SaveScore(line, settings.m_strInputPath, inputFrames, run.GetRandomState()))
        return kExitRunFailed;
    const LevelEveningPlan* evening = EvenLevel(run, line.m_levelRange, line.m_bLoop);
    const RunReport report{run.GetRandomState(), openingSeconds, meter, plan, evening,
                           line.m_levelRange.value_or(0.0), {}};
    return RunAndReport(run, host, line, watch, report);
}
