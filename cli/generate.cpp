#include "cli/generate.h"

#include <unistd.h>

#include <csignal>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <memory>
#include <string>

#include "cli/bundled_sample.h"
#include "cli/command_line.h"
#include "cli/exit_status.h"
#include "cli/interrupt_signal.h"
#include "cli/option_values.h"
#include "cli/terminal_host.h"
#include "cli/timings_report.h"
#include "engine/generation_run.h"
#include "engine/wave_io/wave_frame_sink.h"
#include "formats/delivery_level.h"
#include "formats/output_sink_factory.h"
#include "formats/sound_file_opener.h"

namespace {

GenerationSettings MakeSettings(const CommandLine& line)
{
    GenerationSettings settings;
    settings.m_strInputPath = line.m_input ? *line.m_input : FindBundledSample().string();
    settings.m_strOutputPath = line.m_strOutput;
    settings.m_nDurationSeconds = *ParseLength(line.m_strLength);
    FillSettings(line.m_panel, settings);
    return settings;
}

SynthesisOptions MakeSynthesisOptions(const CommandLine& line)
{
    SynthesisOptions synthesis;
    synthesis.m_kernel = *FindKernel(line.m_strKernel);
    if (!line.m_strThreads.empty())
        synthesis.m_nThreads = static_cast<int>(*ParseDigits(line.m_strThreads, kMaxThreads));
    return synthesis;
}

// "avx2 kernel, 2 threads", or "reference kernel, 1 thread".
std::string DescribeSynthesis(const SynthesisOptions& synthesis)
{
    const int threads = ResolveThreadCount(synthesis);
    return std::string(AddKernelName(synthesis.m_kernel)) + " kernel, " + std::to_string(threads) +
           (threads == 1 ? " thread" : " threads");
}

// Progress goes to standard error, live where that is a terminal.
TerminalHost::Display ChooseDisplay(bool quiet)
{
    if (quiet)
        return TerminalHost::Display::Quiet;
    return isatty(STDERR_FILENO) ? TerminalHost::Display::Live : TerminalHost::Display::Plain;
}

std::unique_ptr<FrameSink> MakeSink(const GenerationSettings& settings, const OutputFormat& format)
{
    OutputRequest request;
    request.m_strInputPath = settings.m_strInputPath;
    request.m_nFrames = static_cast<std::uint64_t>(settings.m_nDurationSeconds) * kRunSampleRate;
    request.m_nStandardOutputFd = STDOUT_FILENO;
    return MakeOutputSink(format, request, [] { return std::make_unique<WaveFrameSink>(); });
}

// The run as the command line asks for it: settings, seed, input and output.
void SetUpRun(GenerationRun& run, TerminalHost& host, const CommandLine& line, const GenerationSettings& settings,
              const OutputFormat& format)
{
    run.SetSettings(settings);
    run.SetSynthesisOptions(MakeSynthesisOptions(line));
    if (line.m_strSeed.empty())
        run.SeedRandom();
    else
        run.SetRandomState(static_cast<std::uint32_t>(*ParseDigits(line.m_strSeed, UINT32_MAX)));
    run.SetSourceOpener(MakeSoundFileOpener(InputRules{line.m_panel.m_nGrainLength},
                                            [&host](const std::string& route) { host.Inform(route); }));
    run.SetSink(MakeSink(settings, format));
}

// The delivery level step, hooked in only where it changes something, so that
// the desktop program's output stays exactly as it is.
void HookDeliveryLevel(GenerationRun& run, const DeliveryLevelPlan& plan, DeliveryLevelReport& report)
{
    if (LeavesFinishedSoundAlone(plan))
        return;
    run.SetFinishedSoundHook([&plan, &report](std::span<StereoFrame> sound) {
        report = SetDeliveryLevel(sound, plan, [] { return !WasInterrupted(); });
    });
}

int CancelledStatus()
{
    std::cerr << "sonnelith-cli: cancelled\n";
    const int signal = InterruptSignal();
    return kExitSignalBase + (signal != 0 ? signal : SIGINT);
}

}  // namespace

int Generate(const CommandLine& line, const OutputFormat& format)
{
    InstallInterruptHandler();
    if (!line.m_input && !std::filesystem::exists(FindBundledSample())) {
        std::cerr << "sonnelith-cli: the bundled sample sound is missing (" << FindBundledSample().string()
                  << "); give an input file\n";
        return kExitRunFailed;
    }
    TerminalHost host(ChooseDisplay(line.m_bQuiet), std::cerr, std::cerr);
    GenerationRun run(host);
    const GenerationSettings settings = MakeSettings(line);
    const DeliveryLevelPlan plan{settings.m_dVolume, format.m_nRate, line.m_delivery.m_loudness};
    DeliveryLevelReport report;
    SetUpRun(run, host, line, settings, format);
    HookDeliveryLevel(run, plan, report);
    const std::uint32_t state = run.GetRandomState();
    const RunOutcome outcome = run.Run();

    if (outcome.m_kind == RunOutcome::Kind::Cancelled)
        return CancelledStatus();
    if (line.m_bTimings)
        WriteTimingsReport(std::cerr, run.GetPhaseTimes(), DescribeSynthesis(MakeSynthesisOptions(line)));
    if (outcome.m_kind == RunOutcome::Kind::Failed)
        return kExitRunFailed;
    if (!LeavesFinishedSoundAlone(plan))
        host.Inform(DescribeDeliveryLevel(report, plan));
    const std::string seed = std::to_string(state);
    host.Inform("Generator state: " + seed + " (--seed " + seed + " repeats this run)");
    return kExitSuccess;
}
