// sonnelith-cli: generates an ambient WAV file from a short sound on the
// command line, with the same engine and defaults as the desktop program.
#include <unistd.h>

#include <CLI/CLI.hpp>
#include <charconv>
#include <cstdint>
#include <filesystem>
#include <iostream>
#include <optional>
#include <string>
#include <utility>

#include "cli/bundled_sample.h"
#include "engine/generation_run.h"
#include "cli/interrupt_signal.h"
#include "engine/panel_settings.h"
#include "cli/terminal_host.h"
#include "cli/timings_report.h"

namespace {

constexpr int kExitSuccess = 0;
constexpr int kExitRunFailed = 1;
constexpr int kExitUsage = 2;
constexpr int kExitInterrupted = 130;  // 128 + SIGINT, as shells report it

struct Options {
    std::string m_strInput;
    std::string m_strOutput;
    std::string m_strLength = "00:15";
    std::string m_strSeed;
    PanelValues m_panel;
    bool m_bQuiet = false;
    std::string m_strThreads;  // empty: one per processor core
    std::string m_strKernel = "auto";
    bool m_bTimings = false;
};

// The --kernel names and what they select.
const std::pair<const char*, AddKernel> kKernelNames[] = {
    {"auto", AddKernel::Fastest}, {"reference", AddKernel::Reference}, {"portable", AddKernel::Portable},
    {"avx2", AddKernel::Avx2},    {"avx512", AddKernel::Avx512},
};

// Digits only, no sign, no spaces, and no more than maximum.
std::optional<std::uint64_t> ParseDigits(const std::string& text, std::uint64_t maximum)
{
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || text[0] == '-' || error != std::errc() || stop != end || value > maximum)
        return std::nullopt;
    return value;
}

// "MM:SS" (up to 59:59) or whole seconds (up to 3599).
std::optional<int> ParseLength(const std::string& text)
{
    const auto colon = text.find(':');
    if (colon == std::string::npos) {
        const auto seconds = ParseDigits(text, kMaxDurationSeconds);
        return seconds ? std::optional<int>(static_cast<int>(*seconds)) : std::nullopt;
    }
    const std::string minutesText = text.substr(0, colon);
    const std::string secondsText = text.substr(colon + 1);
    const auto minutes = ParseDigits(minutesText, 59);
    const auto seconds = ParseDigits(secondsText, 59);
    if (minutesText.size() > 2 || secondsText.size() != 2 || !minutes || !seconds)
        return std::nullopt;
    return static_cast<int>(*minutes * 60 + *seconds);
}

std::string DescribeLimits(const ParameterLimits& limits)
{
    std::string text = std::to_string(limits.m_nMinimum) + " to " + std::to_string(limits.m_nMaximum);
    if (limits.m_nStep != 1)
        text += " in steps of " + std::to_string(limits.m_nStep);
    return text;
}

CLI::Validator AllowedValues(const ParameterLimits& limits)
{
    const std::string allowed = DescribeLimits(limits);
    return CLI::Validator(
        [limits, allowed](std::string& text) -> std::string {
            const auto value = ParseDigits(text, static_cast<std::uint64_t>(limits.m_nMaximum));
            if (value && IsAllowedValue(limits, static_cast<int>(*value)))
                return {};
            return "'" + text + "' is not allowed; use " + allowed;
        },
        allowed);
}

CLI::Validator AllowedLength()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            if (ParseLength(text))
                return {};
            return "'" + text + "' is not a length; use MM:SS up to 59:59, or whole seconds up to 3599";
        },
        "MM:SS up to 59:59, or seconds");
}

CLI::Validator AllowedSeed()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            if (ParseDigits(text, UINT32_MAX))
                return {};
            return "'" + text + "' is not a generator state; use a whole number from 0 to 4294967295";
        },
        "0 to 4294967295");
}

CLI::Validator AllowedThreads()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const auto value = ParseDigits(text, kMaxThreads);
            if (value && *value >= 1)
                return {};
            return "'" + text + "' is not a thread count; use 1 to " + std::to_string(kMaxThreads);
        },
        "1 to " + std::to_string(kMaxThreads));
}

std::optional<AddKernel> FindKernel(const std::string& name)
{
    for (const auto& [kernelName, kernel] : kKernelNames) {
        if (name == kernelName)
            return kernel;
    }
    return std::nullopt;
}

// A kernel that names an instruction set is allowed only where the processor has it.
CLI::Validator AllowedKernel()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const auto kernel = FindKernel(text);
            if (!kernel)
                return "'" + text + "' is not a kernel; use auto, reference, portable, avx2 or avx512";
            if (*kernel != AddKernel::Fastest && AddKernelName(*kernel) != text)
                return "this processor cannot run the " + text + " kernel";
            return {};
        },
        "auto, reference, portable, avx2 or avx512");
}

void DefineOptions(CLI::App& app, Options& options)
{
    app.add_option("INPUT", options.m_strInput, "Input WAV file (PCM, 8 or 16 bits, mono or stereo, "
                                                 "11025, 22050 or 44100 Hz); the bundled sample sound if left out");
    app.add_option("-o,--output", options.m_strOutput, "Output WAV file (16-bit stereo, 44100 Hz)")->required();
    app.add_option("--length", options.m_strLength, "Output length, MM:SS or seconds")
        ->check(AllowedLength())
        ->capture_default_str();
    PanelValues& panel = options.m_panel;
    app.add_option("--scan-range", panel.m_nScanRange, "Scanning range, %")
        ->check(AllowedValues(kScanRangeLimits))
        ->capture_default_str();
    app.add_option("--segment", panel.m_nSegment, "Average segment, seconds")
        ->check(AllowedValues(kSegmentLimits))
        ->capture_default_str();
    app.add_option("--density", panel.m_nDensity, "Grain density, grains per second")
        ->check(AllowedValues(kDensityLimits))
        ->capture_default_str();
    app.add_option("--grain-length", panel.m_nGrainLength, "Grain length, milliseconds")
        ->check(AllowedValues(kGrainLengthLimits))
        ->capture_default_str();
    app.add_option("--volume", panel.m_nVolume, "Volume (peak level), %")
        ->check(AllowedValues(kVolumeLimits))
        ->capture_default_str();
    app.add_option("--fade", panel.m_nFade, "Fade in and out, seconds")
        ->check(AllowedValues(kFadeLimits))
        ->capture_default_str();
    app.add_option("--seed", options.m_strSeed,
                   "Random generator state to start from; without it the clock chooses one")
        ->check(AllowedSeed());
    app.add_option("--threads", options.m_strThreads,
                   "Threads for grain synthesis; one per processor core if left out (the output is the same)")
        ->check(AllowedThreads());
    app.add_option("--kernel", options.m_strKernel,
                   "How grains are added: auto (fastest here), reference (the plain loop, one thread), portable, "
                   "avx2 or avx512 (the output is the same)")
        ->check(AllowedKernel())
        ->capture_default_str();
    app.add_flag("--timings", options.m_bTimings, "Print how long each phase took");
    app.add_flag("-q,--quiet", options.m_bQuiet, "Print nothing but errors");
    app.set_version_flag("--version", "sonnelith-cli " SONNELITH_VERSION);
}

GenerationSettings MakeSettings(const Options& options)
{
    GenerationSettings settings;
    settings.m_strInputPath = options.m_strInput.empty() ? FindBundledSample().string() : options.m_strInput;
    settings.m_strOutputPath = options.m_strOutput;
    settings.m_nDurationSeconds = *ParseLength(options.m_strLength);
    FillSettings(options.m_panel, settings);
    return settings;
}

SynthesisOptions MakeSynthesisOptions(const Options& options)
{
    SynthesisOptions synthesis;
    synthesis.m_kernel = *FindKernel(options.m_strKernel);
    if (!options.m_strThreads.empty())
        synthesis.m_nThreads = static_cast<int>(std::stoul(options.m_strThreads));
    return synthesis;
}

// "avx2 kernel, 2 threads", or "reference kernel, 1 thread".
std::string DescribeSynthesis(const SynthesisOptions& synthesis)
{
    const int threads = ResolveThreadCount(synthesis);
    return std::string(AddKernelName(synthesis.m_kernel)) + " kernel, " + std::to_string(threads) +
           (threads == 1 ? " thread" : " threads");
}

TerminalHost::Display ChooseDisplay(bool quiet)
{
    if (quiet)
        return TerminalHost::Display::Quiet;
    return isatty(STDOUT_FILENO) ? TerminalHost::Display::Live : TerminalHost::Display::Plain;
}

int Generate(const Options& options)
{
    const GenerationSettings settings = MakeSettings(options);
    if (options.m_strInput.empty() && !std::filesystem::exists(settings.m_strInputPath)) {
        std::cerr << "sonnelith-cli: the bundled sample sound is missing (" << settings.m_strInputPath
                  << "); give an input file\n";
        return kExitRunFailed;
    }

    TerminalHost host(ChooseDisplay(options.m_bQuiet), std::cout, std::cerr);
    GenerationRun run(host);
    run.SetSettings(settings);
    const SynthesisOptions synthesis = MakeSynthesisOptions(options);
    run.SetSynthesisOptions(synthesis);
    if (options.m_strSeed.empty())
        run.SeedRandom();
    else
        run.SetRandomState(static_cast<std::uint32_t>(std::stoul(options.m_strSeed)));
    const std::uint32_t state = run.GetRandomState();

    InstallInterruptHandler();
    const RunOutcome outcome = run.Run();

    if (outcome.m_kind == RunOutcome::Kind::Cancelled) {
        std::cerr << "sonnelith-cli: cancelled\n";
        return kExitInterrupted;
    }
    if (options.m_bTimings)
        WriteTimingsReport(std::cout, run.GetPhaseTimes(), DescribeSynthesis(synthesis));
    if (outcome.m_kind == RunOutcome::Kind::Failed)
        return kExitRunFailed;
    const std::string seed = std::to_string(state);
    host.Inform("Generator state: " + seed + " (--seed " + seed + " repeats this run)");
    return kExitSuccess;
}

}  // namespace

int main(int argc, char** argv)
{
    CLI::App app("Turns a short sound into a long, slowly evolving ambient WAV file by grain synthesis.",
                 "sonnelith-cli");
    Options options;
    DefineOptions(app, options);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        if (error.get_exit_code() == 0)  // --help, --version
            return app.exit(error);
        std::cerr << "sonnelith-cli: " << error.what() << '\n';
        return kExitUsage;
    }
    return Generate(options);
}
