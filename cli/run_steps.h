// The steps every run of sonnelith-cli takes, whatever it renders (one input
// or a score): how it synthesises, where its sound waits and goes, its
// delivery level, and how its end is reported.
#pragma once

#include <chrono>
#include <cstdint>
#include <memory>
#include <optional>
#include <string>
#include <vector>

#include "cli/overwrite_guard.h"
#include "cli/terminal_host.h"
#include "engine/run/score_run.h"
#include "engine/run/phase_times.h"
#include "measurement/near_silence_survey.h"
#include "engine/render/render_options.h"
#include "engine/base/run_message.h"
#include "engine/synthesis/synthesis_options.h"
#include "measurement/delivery_level.h"
#include "measurement/delivery_level_meter.h"
#include "measurement/level_evening_plan.h"
#include "formats/output_format.h"

struct CommandLine;
struct StandardDescriptors;
class FrameSink;
class StandardOutputWatch;

SynthesisOptions MakeSynthesisOptions(const CommandLine& line);
// "avx2 kernel, 2 threads", or "reference kernel, 1 thread".
std::string DescribeSynthesis(const SynthesisOptions& synthesis);
// Progress goes to standard error, live where that is a terminal.
TerminalHost::Display ChooseDisplay(bool quiet);

// What a run adds to its output's sink besides the format: dither from the
// run's seed (none: no dither), and the survey of near silence the report
// reads (null: none).
struct SinkExtras {
    std::optional<std::uint32_t> m_ditherSeed;
    NearSilenceSurvey* m_pNearSilence = nullptr;
};

// The sink of the output the command line names, frames long, read from
// inputPath; storedScore (if not empty) goes into the output.
std::unique_ptr<FrameSink> MakeSink(const std::string& inputPath, std::uint64_t frames, const OutputFormat& format,
                                    bool loop, StandardOutputWatch& watch, std::string storedScore,
                                    const SinkExtras& extras = {});
// The extras of a run of line started from seed.
SinkExtras SinkExtrasOf(const CommandLine& line, std::uint32_t seed, NearSilenceSurvey& nearSilence);
// The output is always streamed; see run_steps.cpp for where the sound waits.
StreamingOptions MakeStreamingOptions(const CommandLine& line, const std::string& outputPath, std::uint64_t frames,
                                      const OutputFormat& format);
// The delivery level step, when it changes something; the run owns the
// meter, answered for the report (null: none).
const DeliveryLevelMeter* MeterDeliveryLevel(ScoreRun& run, const DeliveryLevelPlan& plan);

// Level evening when range (LU) is given; the run owns the plan, answered
// for the report (null: none).
const LevelEveningPlan* EvenLevel(ScoreRun& run, std::optional<double> range, bool loop);

// -o - needs the standard output the program was started with.
std::optional<RunMessage> RefuseClosedOutput(const OutputFormat& format, const StandardDescriptors& found);
// Refuses (exit status 2, before anything is written) an output or a
// --save-score file that is one of read, or both one file.
std::optional<int> RefuseOverwrite(const CommandLine& line, const std::vector<ReadFile>& read);
// "sonnelith-cli: cancelled" and 128 + the signal.
int CancelledStatus();
double SecondsSince(std::chrono::steady_clock::time_point start);

// What a run reports when it ends well.
struct RunReport {
    std::uint32_t m_nState = 0;           // the seed it started from
    double m_dOpeningSeconds = 0.0;       // spent on its inputs before the run
    const DeliveryLevelMeter* m_pMeter = nullptr;
    DeliveryLevelPlan m_plan;
    const LevelEveningPlan* m_pEvening = nullptr;
    double m_dLevelRange = 0.0;  // LU, with evening
    // A score's layers, as the sub-audio note names them ("the layer at line
    // 36 (rain.flac)"), and how far each one's part below 20 Hz reached in
    // the synthesised sound (filled by the run; null: a plain run).
    std::vector<std::string> m_layerNames;
    const std::vector<double>* m_pLayerSubAudio = nullptr;
    const NearSilenceSurvey* m_pNearSilence = nullptr;  // of the finished track
};

// Runs run and ends as every run ends: the exit status, and after success
// level evening's gain, the delivery level, a note on sub-audio build-up and
// the seed.
int RunAndReport(ScoreRun& run, TerminalHost& host, const CommandLine& line, const StandardOutputWatch& watch,
                 const RunReport& report);
