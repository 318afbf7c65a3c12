// The steps every run of sonnelith-cli takes, whatever it renders: how it
// synthesises, where its sound waits and goes, its delivery level, and how
// its end is reported.
#include "cli/run_steps.h"

#include <sys/stat.h>
#include <unistd.h>

#include <algorithm>
#include <chrono>
#include <csignal>
#include <cstdint>
#include <cstdio>
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

std::uint64_t OutputFrames(const GenerationSettings& settings)
{
    return static_cast<std::uint64_t>(settings.m_nDurationSeconds) * kRunSampleRate;
}

// Whether two paths lie on one disk (a path that cannot be looked at is taken as one).
bool OnOneDisk(const std::filesystem::path& a, const std::filesystem::path& b)
{
    struct stat first {};
    struct stat second {};
    if (stat(a.c_str(), &first) != 0 || stat(b.c_str(), &second) != 0)
        return true;
    return first.st_dev == second.st_dev;
}

// More than this share of the finished sound's peak below 20 Hz: the
// audible sound is held well below the volume asked for, and the user is told.
constexpr double kLargestQuietSubAudioShare = 0.5;

int SignalStatus()
{
    const int signal = InterruptSignal();
    return kExitSignalBase + (signal != 0 ? signal : SIGINT);
}

std::string OneDecimal(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f", value);
    return text;
}

// "Level evened within 6 LU of its median: gain -8.0 to +12.5 dB". The gain
// is what evening itself gave, before the volume or --loudness set the level.
std::string DescribeEvening(const EveningSummary& summary, double rangeLu)
{
    if (!summary.m_bEvened)
        return "Level evening left the level alone: the track is silent or shorter than 3 seconds";
    char range[32];
    std::snprintf(range, sizeof range, "%g", rangeLu);
    return std::string("Level evened within ") + range + " LU of its median: gain " +
           OneDecimal(summary.m_dLowestDb) + " to " + OneDecimal(summary.m_dHighestDb) + " dB";
}

}  // namespace

const LevelEveningPlan* EvenLevel(GenerationRun& run, std::optional<double> range, bool loop)
{
    if (!range)
        return nullptr;
    auto evening = std::make_unique<LevelEveningPlan>(*range, loop);
    const LevelEveningPlan* plan = evening.get();
    run.SetLevelEvening(std::move(evening));
    return plan;
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

std::unique_ptr<FrameSink> MakeSink(const GenerationSettings& settings, const OutputFormat& format, bool loop,
                                    StandardOutputWatch& watch, std::string storedScore)
{
    OutputRequest request;
    request.m_bLoop = loop;
    request.m_strStoredScore = std::move(storedScore);
    request.m_strInputPath = settings.m_strInputPath;
    request.m_nFrames = OutputFrames(settings);
    request.m_nStandardOutputFd = STDOUT_FILENO;
    request.m_streamWatch = watch.MakeStreamWatch();
    return MakeOutputSink(format, request, [] { return std::make_unique<WaveFrameSink>(); });
}

// The output is always streamed. The spill waits on the output's disk only
// when they share one; there it leaves room for the whole output.
StreamingOptions MakeStreamingOptions(const CommandLine& line, const GenerationSettings& settings,
                                      const OutputFormat& format)
{
    StreamingOptions options;
    options.m_bLoop = line.m_bLoop;
    options.m_spill = *FindSpillChoice(line.m_strSpill);
    options.m_strSpillFolder = TemporaryFolder();
    if (!format.m_bToStandardOutput) {
        const std::filesystem::path output = std::filesystem::absolute(settings.m_strOutputPath);
        if (OnOneDisk(options.m_strSpillFolder, output.parent_path()))
            options.m_nReservedBytes = PredictedOutputBytes(FitToLength(format, OutputFrames(settings)),
                                                            OutputFrames(settings));
    }
    return options;
}

// The delivery level step, metered only where it changes something, so that
// the desktop program's output stays exactly as it is. Answers the meter,
// which the run owns, for its report; null when there is none.
const DeliveryLevelMeter* MeterDeliveryLevel(GenerationRun& run, const DeliveryLevelPlan& plan)
{
    if (LeavesFinishedSoundAlone(plan))
        return nullptr;
    auto meter = std::make_unique<DeliveryLevelMeter>(plan);
    const DeliveryLevelMeter* pMeter = meter.get();
    run.SetFinishedSoundMeter(std::move(meter));
    return pMeter;
}

// "avx2 kernel, 2 threads; sound kept on disk"
std::string DescribeRun(const CommandLine& line, const GenerationRun& run)
{
    return DescribeSynthesis(MakeSynthesisOptions(line)) +
           (run.DidSpill() ? "; sound kept on disk" : "; sound synthesised twice");
}

// Sub-audio content (rumble, wind, handling, drift) adds up coherently in
// thousands of overlapping grains while the audible sound adds up with random
// phases, so a little of it in the input can take most of the output's peak.
void TellOfSubAudio(TerminalHost& host, const GenerationRun& run)
{
    const std::optional<double> share = run.GetSubAudioShare();
    if (!share || *share <= kLargestQuietSubAudioShare)
        return;
    const int percent = static_cast<int>(std::min(*share, 1.0) * 100.0);
    host.Inform("Note: " + std::to_string(percent) +
                " % of this track's peak comes from below 20 Hz (rumble or slow drift in the input, built up by "
                "the overlapping grains), so the audible sound is quieter than the volume asked for; --low-cut 20 "
                "takes it out.");
}

std::optional<int> RefuseOverwrite(const CommandLine& line, const std::vector<ReadFile>& read)
{
    const std::vector<WrittenFile> written = {{line.m_strOutput, "-o"}, {line.m_strSaveScore, "--save-score"}};
    const std::optional<std::string> refusal = FindOverwrite(written, read);
    if (!refusal)
        return std::nullopt;
    std::cerr << "sonnelith-cli: " << *refusal << '\n';
    return kExitUsage;
}

int CancelledStatus()
{
    std::cerr << "sonnelith-cli: cancelled\n";
    return SignalStatus();
}

// A broken stream ends like a cancel after SIGPIPE (its reader went), else as
// a failure; either way with its own message.
int BrokenStreamStatus(const StandardOutputWatch& watch)
{
    std::cerr << "sonnelith-cli: " << watch.Describe() << '\n';
    return WasInterrupted() ? SignalStatus() : kExitRunFailed;
}

// -o - needs the standard output the program was started with.
std::optional<RunMessage> RefuseClosedOutput(const OutputFormat& format, const StandardDescriptors& found)
{
    if (!format.m_bToStandardOutput || !found.m_bOutputClosed)
        return std::nullopt;
    return OutputFailure("standard output", "it is closed; redirect it to a file or a pipe");
}

// Loading counts from the start of the run; the input was opened before it.
PhaseTimes WithOpening(PhaseTimes times, double openingSeconds)
{
    times.m_dLoading += openingSeconds;
    return times;
}

double SecondsSince(std::chrono::steady_clock::time_point start)
{
    return std::chrono::duration<double>(std::chrono::steady_clock::now() - start).count();
}


int RunAndReport(GenerationRun& run, TerminalHost& host, const CommandLine& line, const StandardOutputWatch& watch,
                 const RunReport& report)
{
    const RunOutcome outcome = run.Run();
    if (watch.HasBroken())
        return BrokenStreamStatus(watch);
    if (outcome.m_kind == RunOutcome::Kind::Cancelled)
        return CancelledStatus();
    if (line.m_bTimings)
        WriteTimingsReport(std::cerr, WithOpening(run.GetPhaseTimes(), report.m_dOpeningSeconds), DescribeRun(line, run));
    if (outcome.m_kind == RunOutcome::Kind::Failed)
        return kExitRunFailed;
    if (report.m_pEvening != nullptr)
        host.Inform(DescribeEvening(report.m_pEvening->Summary(), report.m_dLevelRange));
    if (report.m_pMeter != nullptr)
        host.Inform(DescribeDeliveryLevel(report.m_pMeter->GetReport(), report.m_plan));
    TellOfSubAudio(host, run);
    const std::string seed = std::to_string(report.m_nState);
    host.Inform("Generator state: " + seed + " (--seed " + seed + " repeats this run)");
    return kExitSuccess;
}
