#include "cli/command_line.h"

#include <CLI/CLI.hpp>
#include <memory>

#include "cli/effect_listing.h"
#include "cli/help_formatter.h"
#include "cli/option_values.h"
#include "cli/score_of.h"
#include "engine/parameters/parameter_table.h"
#include "engine/parameters/parameter_text.h"

namespace {

const char kDescription[] =
    "Turns a short sound into a long, slowly evolving ambient track by grain synthesis, with the engine and "
    "the start values of the desktop program.";

const char kRules[] =
    "Input: a WAV file the desktop program accepts (8- or 16-bit PCM, mono or stereo, 11025, 22050 or 44100 "
    "Hz) is read as the desktop program reads it, so the same settings and --seed give the same bytes in both "
    "programs. Any other file libsndfile reads (WAV of other depths, rates or layouts, W64, RF64, AIFF, FLAC, "
    "Ogg Vorbis, Opus, MP3; 8000 to 384000 Hz, 1 to 8 channels) is read by libsndfile, folded to stereo "
    "(3 to 8 channels as ITU-R BS.775 mixes them, without the LFE, each side scaled back so that nothing gets "
    "louder) and converted to 44100 Hz by libsoxr at very high quality. A compressed file's length is found "
    "by decoding it, whatever its header claims. The first line printed says which way the input went.\n"
    "\n"
    "Output: 16-bit samples are trunc(x * 32767), 24-bit ones trunc(x * 8388607), both rounded toward zero; "
    "32-bit float is written as computed, neither clipped nor rounded. A file is written under a hidden "
    "temporary name in its own folder, which must have room for it before synthesis starts, and renamed when "
    "complete: a failed or cancelled run leaves an existing file as it was and nothing partial, and the next "
    "run there removes what a killed run left. A replaced file keeps its permissions (run as root, also its "
    "owner); a link is followed, even to a file not there yet. -o - writes a WAV stream whose header gives the "
    "sizes before the first frame.\n"
    "\n"
    "Memory: the output is never held whole, whatever its length. The sound is synthesised piece by piece "
    "and its level measured on the way; until it is written at that level it waits in an unnamed temporary "
    "file (8 bytes a frame, 1.3 GB an hour of output) in $TMPDIR, or /tmp, which goes away with the program "
    "(see --spill).\n"
    "\n"
    "Scores: an input whose name ends in .toml is a score, a TOML file of layers, keyframes and drift (see "
    "man sonnelith-cli). --length, --seed, --volume, --fade, --loop and --loudness beside a score override "
    "its top-level values; the grain options are refused there, being each layer's own. Each layer's seed "
    "derives from the score's, the first layer's being the score's own, so one layer at gain 0 reading its "
    "whole source, without keyframes or drift, renders the plain run's bytes. A whole render stores its score in the output, an "
    "excerpt none; a source changed since its score was stored is refused before rendering. Each source file is read "
    "once, whatever names the layers give it. A score refused for what it says ends like a bad command line, a "
    "source that cannot be used as a failed run.\n"
    "\n"
    "Progress and messages go to standard error. Ctrl+C, SIGTERM, SIGHUP and SIGPIPE (a pipe on standard "
    "output or error whose reader has gone) cancel a run, also while it waits for a pipe or reads its input. "
    "-- ends the options. Exit status: 0 written, 1 failed (the message says why), 2 bad command line "
    "(nothing written), 128 + the signal's number when cancelled (130 for Ctrl+C, 141 for SIGPIPE).";

// --tag stores a score in the output; --score-of reads one back, on its own
// (main dispatches it before this table is parsed).
void DefineStoredScoreOptions(CLI::App& app, CommandLine& line)
{
    app.add_flag("--tag", line.m_bTag,
                 "Store in the output the score of this run, which --score-of prints and which renders the same "
                 "bytes again: a chunk \"snsc\" after the sound in WAV (before it in a stream from -o -), a chunk "
                 "of its own in W64, the Vorbis comment SONNELITH_SCORE in FLAC. Without it the output holds the "
                 "sound alone; an excerpt (--from, --for) stores none, and is refused with it");
    app.add_option(kScoreOfOption, line.m_strScoreOf,
                   "Print the score stored in FILE, exactly as stored, and exit; nothing else may be given with "
                   "it. Exit status 1 when FILE holds none")
        ->option_text("FILE");
}

void DefineFiles(CLI::App& app, CommandLine& line)
{
    app.add_option("INPUT", line.m_input,
                   "The sound to start from, any sound file libsndfile reads (see Input below); - reads "
                   "standard input, and a name ending in .toml is a score (see Scores below). Left out: the sample "
                   "sound that comes with Sonnelith")
        ->check(NotEmpty("name a sound file, or leave INPUT out for the sample sound"));
    app.add_option("-o,--output", line.m_strOutput,
                   "The file to write, by its extension .wav, .flac or .w64 (any other name is WAV); - writes "
                   "a WAV stream to standard output")
        ->option_text("FILE")
        ->check(NotEmpty("name the file to write, or - for standard output"))
        ->required();
    DefineStoredScoreOptions(app, line);
}

// An option for a sound parameter, named and explained by its row: what it
// is, the values allowed, then the remark; its default shown where it has
// one worth showing.
void AddParameterOption(CLI::App& app, const ParameterRow& row, std::string& text)
{
    CLI::Option* option =
        app.add_option(std::string("--") + row.m_szName, text,
                       std::string(row.m_szWhat) + ", " + DescribeAllowed(row) + row.m_szRemark)
            ->option_text(row.m_szValueName)
            ->check(AllowedParameterValue(row));
    const bool hasDefault = row.m_kind != ParameterKind::RealList && !row.m_bZeroIsOff;
    if (hasDefault)
        option->default_str(FormatParameterValue(row, ParameterValues()));
}

void DefineSoundOptions(CLI::App& app, CommandLine& line)
{
    app.add_option("--length", line.m_strLength,
                   "Length of the track: hours, minutes and seconds up to 24:00:00 (1:30:00), minutes and "
                   "seconds (10:00), or whole seconds (600)")
        ->option_text("[H:]MM:SS")
        ->check(AllowedLength())
        ->capture_default_str();
    for (const ParameterRow& row : ParameterTable())
        AddParameterOption(app, row, line.m_parameterTexts[static_cast<std::size_t>(IndexOf(row.m_id))]);
    app.add_flag("--loop", line.m_bLoop,
                 "Make the track a seamless loop, without fades: its end flows into its start, the sound "
                 "rendered past the end cross-faded into the start over the fade's length (at least one "
                 "grain); a WAV file marks the loop in a smpl chunk");
    app.add_option("--seed", line.m_strSeed,
                   "Start the random generator from this state (0 to 4294967295) to repeat a run; without it "
                   "one is drawn from the system's random source, and it is printed")
        ->option_text("STATE")
        ->check(AllowedSeed());
}

// Scores and excerpts: a score is an input whose name ends in .toml.
void DefineScoreOptions(CLI::App& app, CommandLine& line)
{
    app.add_option("--save-score", line.m_strSaveScore,
                   "Also write the score of this run to FILE (TOML): for a plain run, one layer with its values "
                   "and seed, which renders the same bytes again and can be edited; beside a score, the score "
                   "with its overrides and seed. Sources are named relative to FILE's folder. FILE is replaced "
                   "as an output is, and may not be the output or a file the run reads")
        ->option_text("FILE")
        ->check(NotEmpty("name the score file to write"));
    app.add_option("--from", line.m_strFrom,
                   "Render only an excerpt for listening, starting at this time of the track ([H:]MM:SS or "
                   "seconds; needs --for): the same grains, source positions and values as the whole render, "
                   "but levelled on its own, so its loudness is not the whole track's. The grains before it are "
                   "skipped, not made, so it takes about as long wherever it starts. An excerpt stores no score")
        ->option_text("TIME")
        ->check(AllowedLength());
    app.add_option("--for", line.m_strFor,
                   "The excerpt's length, as --length takes it ([H:]MM:SS or whole seconds), from 0:01 (needs "
                   "--from)")
        ->option_text("LENGTH")
        ->check(AllowedExcerptSeconds());
    app.add_flag(kListEffectsOption, line.m_bListEffects,
                 "List the installed LV2 plugins a score's effects can name, by URI, with their controls by "
                 "symbol, the values each takes and its default, and exit; nothing else may be given with it");
}

void DefineLevelEvening(CLI::App& app, CommandLine& line)
{
    app.add_option("--level-range", line.m_levelRange,
                   "Even out the level over the track: keep its short-term loudness (EBU R128, 3 s windows) "
                   "within this many LU, 1 to 40, of its median outside the fades. Each grain is first given a "
                   "gain from the loudness of the stretch of source it reads, which brings the source's loud and "
                   "quiet places within half the range of its median; then a slow gain (at most 6 dB a second) "
                   "planned from the whole track evens what remains; then the volume or --loudness sets its "
                   "level as usual")
        ->option_text("LU")
        ->check(AllowedLevelRange());
}

void DefineSpeedOptions(CLI::App& app, CommandLine& line)
{
    app.add_option("--threads", line.m_strThreads,
                   "Threads for grain synthesis, 1 to 256; one per processor core if left out (the output is "
                   "the same)")
        ->option_text("N")
        ->check(AllowedThreads());
    app.add_option("--kernel", line.m_strKernel,
                   "How grains are added: auto (fastest here), reference (the plain loop, one thread), portable, "
                   "avx2 or avx512 (the output is the same)")
        ->option_text("KIND")
        ->check(AllowedKernel())
        ->capture_default_str();
    app.add_option("--spill", line.m_strSpill,
                   "Where the synthesised sound waits, before it is written at its final level: auto (a "
                   "temporary file when the disk has room and is not a memory disk, else synthesised a second "
                   "time), always (the file, else fail) or never (a second synthesis, no disk); the output is "
                   "the same")
        ->option_text("WHERE")
        ->check(AllowedSpill())
        ->capture_default_str();
}

void DefineReporting(CLI::App& app, CommandLine& line)
{
    app.add_flag("--timings", line.m_bTimings, "Print how long each phase took");
    app.add_flag("-q,--quiet", line.m_bQuiet, "Print nothing but errors");
    app.add_flag("--verbose", line.m_bVerbose,
                 "Also let the decoding libraries print their own notes (libmpg123 on damaged MP3 frames)");
    app.set_version_flag("--version", "sonnelith-cli " SONNELITH_VERSION, "Print the version and exit");
    app.set_help_flag("-h,--help", "Print this help and exit");
}

}  // namespace

void DefineOptions(CLI::App& app, CommandLine& line)
{
    app.description(kDescription);
    app.footer(kRules);
    app.formatter(std::make_shared<HelpFormatter>());
    DefineFiles(app, line);
    DefineSoundOptions(app, line);
    AddDeliveryOptions(app, line.m_delivery);
    DefineScoreOptions(app, line);
    DefineLevelEvening(app, line);
    DefineSpeedOptions(app, line);
    DefineReporting(app, line);
}

void NoteGivenOptions(const CLI::App& app, CommandLine& line)
{
    for (const CLI::Option* option : app.get_options()) {
        if (option->count() > 0 && !option->get_lnames().empty())
            line.m_given.insert("--" + option->get_lnames().front());
    }
}

ParameterValues ParameterValuesOf(const CommandLine& line)
{
    ParameterValues values;
    for (const ParameterRow& row : ParameterTable()) {
        const std::string& text = line.m_parameterTexts[static_cast<std::size_t>(IndexOf(row.m_id))];
        if (text.empty())
            continue;
        if (row.m_kind == ParameterKind::RealList)
            values.SetPitchSet(*ParseParameterList(row, text));
        else
            values.Set(row.m_id, *ParseParameterValue(row, text));
    }
    return values;
}
