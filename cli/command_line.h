// What sonnelith-cli's command line holds, and the option table that fills it.
#pragma once

#include <array>
#include <set>
#include <optional>
#include <string>

#include "cli/delivery_options.h"
#include "engine/parameters/parameter_values.h"

namespace CLI {
class App;
}

struct CommandLine {
    std::optional<std::string> m_input;  // none: the bundled sample; "-": standard input
    std::string m_strOutput;             // "-": a WAV stream on standard output
    bool m_bTag = false;                 // the output stores the score of the run
    std::string m_strScoreOf;            // only for --help: --score-of runs apart (cli/score_of.h)
    bool m_bListEffects = false;         // only for --help: --list-effects runs apart (cli/effect_listing.h)
    std::string m_strLength = "00:15";
    std::string m_strSeed;               // empty: the clock chooses
    bool m_bLoop = false;                // a seamless loop, without fades
    // Each sound parameter as given, by ParameterId; empty: its default.
    std::array<std::string, kParameterCount> m_parameterTexts;
    DeliveryOptions m_delivery;
    std::optional<double> m_levelRange;  // LU of level evening; none: the level as the grains make it
    std::string m_strThreads;            // empty: one per processor core
    std::string m_strKernel = "auto";
    std::string m_strSpill = "auto";     // where the sound waits between the passes
    bool m_bTimings = false;
    bool m_bQuiet = false;
    bool m_bVerbose = false;             // the libraries' own notes on standard error too
    // An excerpt of the track: from this time, this many seconds; empty: the whole track.
    std::string m_strFrom;
    std::string m_strFor;
    std::string m_strSaveScore;          // the score of the run is written here too
    std::set<std::string> m_given;       // the options given, by long name ("--length")
};

// The program's description, its options with their checks and help texts,
// and the rules of its files in the help's closing lines.
void DefineOptions(CLI::App& app, CommandLine& line);
// After parsing: which options app was given, into line.
void NoteGivenOptions(const CLI::App& app, CommandLine& line);

// The sound parameters the command line asks for (the checks have passed).
ParameterValues ParameterValuesOf(const CommandLine& line);
