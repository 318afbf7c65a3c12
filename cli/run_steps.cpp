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
#include "engine/run/score_run.h"
#include "engine/parameters/parameter_table.h"
#include "engine/render/frame_spill.h"
#include "engine/io/wave_frame_sink.h"
#include "measurement/delivery_level.h"
#include "measurement/delivery_level_meter.h"
#include "formats/output_sink_factory.h"
#include "formats/sound_file_messages.h"
#include "formats/sound_file_opener.h"

namespace {

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
// A score's layers whose part below 20 Hz reaches at least this share of the
// peak are named in the note; the one that reaches furthest always is.
constexpr double kSmallestNamedSubAudioShare = 0.1;

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

const LevelEveningPlan* EvenLevel(ScoreRun& run, std::optional<double> range, bool loop)
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

SinkExtras SinkExtrasOf(const CommandLine& line, std::uint32_t seed, NearSilenceSurvey& nearSilence)
{
    SinkExtras extras;
    if (line.m_delivery.m_bDither)
        extras.m_ditherSeed = seed;
    extras.m_pNearSilence = &nearSilence;
    return extras;
}

std::unique_ptr<FrameSink> MakeSink(const std::string& inputPath, std::uint64_t frames, const OutputFormat& format,
                                    bool loop, StandardOutputWatch& watch, std::string storedScore,
                                    const SinkExtras& extras)
{
    OutputRequest request;
    request.m_bLoop = loop;
    request.m_strStoredScore = std::move(storedScore);
    request.m_strInputPath = inputPath;
    request.m_nFrames = frames;
    request.m_nStandardOutputFd = STDOUT_FILENO;
    request.m_streamWatch = watch.MakeStreamWatch();
    request.m_ditherSeed = extras.m_ditherSeed;
    std::unique_ptr<FrameSink> sink =
        MakeOutputSink(format, request, [] { return std::make_unique<WaveFrameSink>(); });
    if (extras.m_pNearSilence != nullptr)
        sink = std::make_unique<NearSilenceWatchSink>(std::move(sink), *extras.m_pNearSilence);
    return sink;
}

// The output is always streamed. The spill waits on the output's disk only
// when they share one; there it leaves room for the whole output.
StreamingOptions MakeStreamingOptions(const CommandLine& line, const std::string& outputPath, std::uint64_t frames,
                                      const OutputFormat& format)
{
    StreamingOptions options;
    options.m_spill = *FindSpillChoice(line.m_strSpill);
    options.m_strSpillFolder = TemporaryFolder();
    if (!format.m_bToStandardOutput) {
        const std::filesystem::path output = std::filesystem::absolute(outputPath);
        if (OnOneDisk(options.m_strSpillFolder, output.parent_path()))
            options.m_nReservedBytes = PredictedOutputBytes(FitToLength(format, frames), frames);
    }
    return options;
}

// The delivery level step, metered only where it changes something, so that
// the desktop program's output stays exactly as it is. Answers the meter,
// which the run owns, for its report; null when there is none.
const DeliveryLevelMeter* MeterDeliveryLevel(ScoreRun& run, const DeliveryLevelPlan& plan)
{
    if (LeavesFinishedSoundAlone(plan))
        return nullptr;
    auto meter = std::make_unique<DeliveryLevelMeter>(plan);
    const DeliveryLevelMeter* pMeter = meter.get();
    run.SetFinishedSoundMeter(std::move(meter));
    return pMeter;
}

// "avx2 kernel, 2 threads; sound kept on disk"
std::string DescribeRun(const CommandLine& line, const ScoreRun& run)
{
    return DescribeSynthesis(MakeSynthesisOptions(line)) +
           (run.DidSpill() ? "; sound kept on disk" : "; sound synthesised twice");
}

// "  the layer at line 36 (rain.flac) reaches 68 % of the track's peak",
// for the layers that reach furthest, the furthest first.
std::vector<std::string> DescribeLayersBelow20Hz(const RunReport& report, float peak)
{
    const std::vector<double>& reaches = *report.m_pLayerSubAudio;
    std::vector<std::size_t> order;
    for (std::size_t i = 0; i < reaches.size() && i < report.m_layerNames.size(); ++i)
        order.push_back(i);
    std::stable_sort(order.begin(), order.end(), [&](std::size_t a, std::size_t b) { return reaches[a] > reaches[b]; });
    std::vector<std::string> lines;
    for (const std::size_t i : order) {
        const double share = peak > 0.0f ? reaches[i] / peak : 0.0;
        if (!lines.empty() && share < kSmallestNamedSubAudioShare)
            break;
        lines.push_back("  " + report.m_layerNames[i] + " reaches " +
                        std::to_string(static_cast<int>(std::min(share, 1.0) * 100.0)) + " % of the track's peak");
    }
    return lines;
}

// Sub-audio content (rumble, wind, handling, drift) adds up coherently in
// thousands of overlapping grains while the audible sound adds up with random
// phases, so a little of it in the input can take most of the output's peak.
// A score's note names the layers it comes from, the furthest first.
void TellOfSubAudio(TerminalHost& host, const ScoreRun& run, const RunReport& report)
{
    const std::optional<double> share = run.GetSubAudioShare();
    if (!share || *share <= kLargestQuietSubAudioShare)
        return;
    const std::string percent = std::to_string(static_cast<int>(std::min(*share, 1.0) * 100.0));
    if (report.m_pLayerSubAudio == nullptr) {
        host.Inform("Note: " + percent +
                    " % of this track's peak comes from below 20 Hz (rumble or slow drift in the input, built up "
                    "by the overlapping grains), so the audible sound is quieter than the volume asked for; "
                    "--low-cut 20 takes it out.");
        return;
    }
    host.Inform("Note: " + percent +
                " % of this track's peak comes from below 20 Hz (rumble or slow drift in its sources, built up by "
                "the overlapping grains), so the audible sound is quieter than the volume asked for; low_cut = 20 "
                "in a layer takes it out of that layer. Below 20 Hz:");
    for (const std::string& layer : DescribeLayersBelow20Hz(report, run.GetSynthesisedPeak()))
        host.Inform(layer);
}

// A stretch below -70 dBFS at least this long is worth a note.
constexpr double kLongestUnnotedQuietSeconds = 5.0;

std::string MinutesAndSeconds(double seconds)
{
    const auto whole = static_cast<long>(seconds);
    char text[32];
    std::snprintf(text, sizeof text, "%ld:%02ld", whole / 60, whole % 60);
    return text;
}

// Long near silence: fine where it is meant, but in 16-bit samples without
// dither its quietest parts are steps of the last bit or digital zero.
void TellOfNearSilence(TerminalHost& host, const CommandLine& line, const RunReport& report)
{
    const NearSilenceSurvey* survey = report.m_pNearSilence;
    if (survey == nullptr || survey->LongestQuietSeconds() < kLongestUnnotedQuietSeconds)
        return;
    std::string note = "Note: " + OneDecimal(survey->QuietSeconds()).substr(1) +
                       " s of this track lie below -70 dBFS, the longest stretch " +
                       OneDecimal(survey->LongestQuietSeconds()).substr(1) + " s from " +
                       MinutesAndSeconds(survey->LongestQuietStart());
    const bool truncated = line.m_delivery.m_nBits == 16 && !line.m_delivery.m_bDither;
    if (truncated && survey->BelowStepSeconds() >= 0.1) {
        note.append("; " + OneDecimal(survey->BelowStepSeconds()).substr(1) +
                    " s of it are all zeros in 16-bit samples (--dither keeps quiet tails from falling to digital "
                    "silence)");
    }
    host.Inform(note + ".");
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


int RunAndReport(ScoreRun& run, TerminalHost& host, const CommandLine& line, const StandardOutputWatch& watch,
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
    TellOfSubAudio(host, run, report);
    TellOfNearSilence(host, line, report);
    const std::string seed = std::to_string(report.m_nState);
    host.Inform("Generator state: " + seed + " (--seed " + seed + " repeats this run)");
    return kExitSuccess;
}
