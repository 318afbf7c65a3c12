// sonnelith-cli: generates an ambient track from a short sound on the command
// line, with the same engine and defaults as the desktop program. This file
// reads the command line; cli/command_line.cpp holds the option table and
// cli/generate.cpp the run.
#include <CLI/CLI.hpp>
#include <csignal>
#include <iostream>
#include <string>
#include <variant>

#include "cli/command_line.h"
#include "cli/effect_listing.h"
#include "cli/exit_status.h"
#include "cli/generate.h"
#include "cli/help_formatter.h"
#include "cli/library_messages.h"
#include "cli/option_suggestion.h"
#include "cli/score_of.h"
#include "cli/score_render.h"
#include "cli/standard_descriptors.h"
#include "effects/plugin_crash_report.h"
#include "formats/output_format.h"
#include "formats/printable_name.h"

namespace {

// The text may quote the command line (CLI11's messages do), so it is shown
// as a terminal can take it.
int UsageError(const std::string& text)
{
    std::cerr << "sonnelith-cli: " << PrintableName(text) << '\n';
    return kExitUsage;
}

// --help and --version print and end well; anything else is a usage error,
// told about the argument that found no place first (a mistyped option, say).
int ParseFailure(const CLI::App& app, const CLI::ParseError& error)
{
    if (error.get_exit_code() == 0)
        return app.exit(error);
    if (const auto unplaced = DescribeUnplacedArgument(app))
        return UsageError(*unplaced);
    if (dynamic_cast<const CLI::ArgumentMismatch*>(&error) != nullptr) {
        if (const auto repeated = DescribeRepeatedOption(app))
            return UsageError(*repeated);
    }
    return UsageError(error.what());
}

}  // namespace

int main(int argc, char** argv)
{
    // Past the largest file this process may write (ulimit -f), a write
    // fails (EFBIG) and the run says so and cleans up, instead of the
    // signal ending the program on the spot.
    std::signal(SIGXFSZ, SIG_IGN);
    const StandardDescriptors found = OccupyClosedStandardDescriptors();
    ReportPluginCrashes("sonnelith-cli");
    if (argc <= 1) {
        std::cerr << NoArgumentsHint() << '\n';
        return kExitUsage;
    }
    if (AsksForStoredScore(argc, argv))
        return PrintStoredScore(argc, argv, std::cout, std::cerr);
    if (AsksForEffectList(argc, argv))
        return PrintEffectList(argc, argv, std::cout, std::cerr);
    CLI::App app("", "sonnelith-cli");
    CommandLine line;
    DefineOptions(app, line);
    try {
        app.parse(argc, argv);
    } catch (const CLI::ParseError& error) {
        return ParseFailure(app, error);
    }
    NoteGivenOptions(app, line);
    const auto format = ChooseOutputFormat(line.m_strOutput, line.m_delivery.m_nBits, line.m_delivery.m_nRate);
    if (const auto* reason = std::get_if<std::string>(&format))
        return UsageError(*reason);
    if (line.m_delivery.m_bDither && std::get<OutputFormat>(format).m_sample != SampleFormat::Pcm16)
        return UsageError("--dither is for 16-bit output; 24-bit samples keep quiet sounds without it, and 32-bit "
                          "floats are not rounded");
    if (!line.m_bVerbose)
        SilenceLibraryMessages();
    if (IsScoreInput(line))
        return RenderScore(line, std::get<OutputFormat>(format), found);
    return Generate(line, std::get<OutputFormat>(format), found);
}
