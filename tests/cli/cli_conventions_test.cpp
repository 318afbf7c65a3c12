// The command-line conventions: --help within 100 columns and free of the
// parser's labels, suggestions for mistyped options, and the delivery options.
#include <gtest/gtest.h>

#include <CLI/CLI.hpp>
#include <sstream>

#include "cli/delivery_options.h"
#include "cli/help_formatter.h"
#include "cli/option_suggestion.h"

namespace {

// An option table shaped like sonnelith-cli's: a positional, a required option,
// validated values with defaults, flags and long descriptions.
struct Table {
    std::string input;
    std::string output;
    std::string length = "00:15";
    int volume = 50;
    bool quiet = false;
    DeliveryOptions delivery;
};

std::unique_ptr<CLI::App> MakeApp(Table& table)
{
    auto app = std::make_unique<CLI::App>(
        "Turns a short sound into a long, slowly evolving ambient sound file by grain synthesis, reading "
        "every common sound file and writing WAV, FLAC or W64.",
        "sonnelith-cli");
    app->formatter(std::make_shared<HelpFormatter>());
    app->add_option("INPUT", table.input,
                    "Input sound file (WAV, FLAC, MP3, Ogg, Opus, AIFF, W64, RF64...); - reads standard input; "
                    "files the desktop program accepts are read exactly as it reads them");
    app->add_option("-o,--output", table.output, "Output file: .wav, .flac or .w64; - writes a WAV stream")
        ->option_text("FILE")
        ->required();
    app->add_option("--length", table.length, "Output length, MM:SS or seconds")
        ->option_text("MM:SS")
        ->check(CLI::Validator([](std::string&) { return std::string(); }, "MM:SS up to 59:59, or seconds"))
        ->capture_default_str();
    app->add_option("--volume", table.volume, "Volume (peak level), %")
        ->check(CLI::Range(1, 100))
        ->capture_default_str();
    AddDeliveryOptions(*app, table.delivery);
    app->add_flag("-q,--quiet", table.quiet, "Print nothing but errors");
    return app;
}

std::vector<std::string> HelpLines(CLI::App& app)
{
    std::istringstream text(app.help());
    std::vector<std::string> lines;
    for (std::string line; std::getline(text, line);)
        lines.push_back(line);
    return lines;
}

// Parses the words; answers what DescribeUnplacedArgument says afterwards.
std::string Unplaced(const std::vector<std::string>& words)
{
    Table table;
    auto app = MakeApp(table);
    std::vector<std::string> arguments(words.rbegin(), words.rend());
    try {
        app->parse(arguments);
    } catch (const CLI::ParseError&) {
        // The unplaced arguments are kept whatever the error.
    }
    return DescribeUnplacedArgument(*app).value_or("(all placed)");
}

}  // namespace

TEST(HelpFormatter, EveryLineFitsIn100Columns)
{
    Table table;
    auto app = MakeApp(table);
    for (const std::string& line : HelpLines(*app))
        EXPECT_LE(line.size(), HelpFormatter::kWidth) << line;
}

TEST(HelpFormatter, ShowsValueNamesAndDefaultsInWordsWithoutTheParsersLabels)
{
    Table table;
    auto app = MakeApp(table);
    const std::string help = app->help();
    const char* const labels[] = {"TEXT",    "INT",  "FLOAT", "REQUIRED", "=00:15",
                                  ":MM:SS", "1 - 100", "[50]", "QUIET",    "HELP"};
    for (const char* label : labels)
        EXPECT_EQ(help.find(label), std::string::npos) << label << " in\n" << help;
    EXPECT_NE(help.find("  -o, --output FILE"), std::string::npos) << help;
    EXPECT_NE(help.find("  --length MM:SS"), std::string::npos);
    EXPECT_NE(help.find("  --volume VOLUME"), std::string::npos);
    EXPECT_NE(help.find("(default 00:15)"), std::string::npos);
    EXPECT_NE(help.find("(default 50)"), std::string::npos);
    EXPECT_NE(help.find("(required)"), std::string::npos);
    EXPECT_NE(help.find("  -q, --quiet"), std::string::npos);
}

TEST(HelpFormatter, TheUsageLineNamesThePositionalAndTheRequiredOption)
{
    Table table;
    auto app = MakeApp(table);
    EXPECT_NE(app->help().find("\nUsage: sonnelith-cli [INPUT] -o FILE [options]\n"), std::string::npos)
        << app->help();
}

// Wrapping moves words to new lines; it never loses or reorders them.
TEST(HelpFormatter, WrappingKeepsEveryWordInOrder)
{
    const std::string text = "one two three four five six seven eight nine ten eleven twelve\nthirteen fourteen";
    const std::string wrapped = WrapText(text, 20, 4, 10);
    std::istringstream original(text), result(wrapped);
    std::string a, b;
    while (original >> a) {
        ASSERT_TRUE(result >> b);
        EXPECT_EQ(a, b);
    }
    EXPECT_FALSE(result >> b);
    std::istringstream lines(wrapped);
    std::string line;
    std::getline(lines, line);
    EXPECT_LE(line.size() + 10, 20u);
    while (std::getline(lines, line)) {
        EXPECT_LE(line.size(), 20u) << line;
        EXPECT_EQ(line.rfind("    ", 0), 0u) << line;
    }
    EXPECT_NE(wrapped.find("twelve\n    thirteen"), std::string::npos) << "the text's own line break stays";
}

TEST(OptionSuggestion, EditDistanceCountsSlipsOfTheFinger)
{
    EXPECT_EQ(EditDistance("--grain-lenght", "--grain-length"), 1u);  // two letters swapped
    EXPECT_EQ(EditDistance("--volme", "--volume"), 1u);
    EXPECT_EQ(EditDistance("--lenght", "--length"), 1u);
    EXPECT_EQ(EditDistance("--sead", "--seed"), 1u);
    EXPECT_EQ(EditDistance("kitten", "sitting"), 3u);
    EXPECT_EQ(EditDistance("", "abc"), 3u);
}

TEST(OptionSuggestion, NamesTheOptionMostLikelyMeant)
{
    const std::vector<std::string> known = {"-o", "--output", "--length", "--volume", "--seed", "--segment",
                                            "--scan-range", "--grain-length", "--quiet", "-q"};
    EXPECT_EQ(NearestOption("--grain-lenght", known), "--grain-length");
    EXPECT_EQ(NearestOption("--volum=40", known), "--volume");
    EXPECT_EQ(NearestOption("--vol", known), "--volume") << "an abbreviation of one option";
    EXPECT_EQ(NearestOption("--se", known), std::nullopt) << "the start of --seed and --segment";
    EXPECT_EQ(NearestOption("--outptu", known), "--output");
    EXPECT_EQ(NearestOption("--colour", known), std::nullopt) << "nothing near";
    EXPECT_EQ(NearestOption("-x", known), std::nullopt) << "one letter is not a slip of -o or -q";
}

TEST(OptionSuggestion, TellsAboutTheFirstArgumentThatFoundNoPlace)
{
    EXPECT_EQ(Unplaced({"in.wav", "-o", "out.wav", "--volmue", "40"}),
              "unknown option --volmue; did you mean --volume?");
    EXPECT_EQ(Unplaced({"--lenght=30"}), "unknown option --lenght; did you mean --length?")
        << "told even when the output is missing too";
    EXPECT_EQ(Unplaced({"in.wav", "-o", "out.wav", "--colour", "red"}),
              "unknown option --colour; see sonnelith-cli --help");
    EXPECT_EQ(Unplaced({"a.wav", "b.wav", "-o", "out.wav"}),
              "unexpected argument b.wav: one input only; name the output with -o");
    EXPECT_EQ(Unplaced({"a.wav", "-o", "out.wav"}), "(all placed)");
}

// A value's name is matched more loosely than an option's: a longer or a
// shorter spelling of one name is taken for it.
TEST(OptionSuggestion, NamesTheValueMostLikelyMeant)
{
    const std::vector<std::string> windows = {"hann", "tukey", "gaussian", "triangle", "decay", "swell"};
    EXPECT_EQ(NearestName("hanning", windows), "hann");
    EXPECT_EQ(NearestName("gauss", windows), "gaussian");
    EXPECT_EQ(NearestName("tukye", windows), "tukey") << "a slip, as for options";
    EXPECT_EQ(NearestName("ha", windows), std::nullopt) << "too short to tell";
    EXPECT_EQ(NearestName("rectangle", windows), std::nullopt);
    EXPECT_EQ(NearestName("sw", {"swell", "swing"}), std::nullopt);
    EXPECT_EQ(NearestName("swe", {"swell", "sweep"}), std::nullopt) << "the start of two";
}

// An option of one value given twice is named, not told as CLI11 words it.
TEST(OptionSuggestion, NamesAnOptionGivenTwice)
{
    const auto repeated = [](std::vector<std::string> words) {
        Table table;
        auto app = MakeApp(table);
        std::reverse(words.begin(), words.end());
        try {
            app->parse(words);
        } catch (const CLI::ParseError&) {
            // What was given stays counted.
        }
        return DescribeRepeatedOption(*app).value_or("(none)");
    };
    EXPECT_EQ(repeated({"in.wav", "-o", "a.wav", "--length", "2", "--length", "3"}),
              "--length is given 2 times; give it once");
    EXPECT_EQ(repeated({"in.wav", "-o", "a.wav", "--output", "b.wav"}), "--output (-o) is given 2 times; give it once");
    EXPECT_EQ(repeated({"in.wav", "-o", "a.wav", "-q", "-q"}), "(none)") << "a flag may come twice";
    EXPECT_EQ(repeated({"in.wav", "-o", "a.wav", "--length", "2"}), "(none)");
}

TEST(DeliveryOptions, TakeTheAllowedValuesOnly)
{
    auto parse = [](std::vector<std::string> words, DeliveryOptions& options) {
        Table table;
        auto app = MakeApp(table);
        words.insert(words.begin(), {"-o", "out.flac"});
        std::reverse(words.begin(), words.end());
        try {
            app->parse(words);
        } catch (const CLI::ParseError& error) {
            return std::string(error.what());
        }
        options = table.delivery;
        return std::string();
    };
    DeliveryOptions options;
    EXPECT_EQ(parse({"--bits", "24", "--rate", "96000", "--loudness", "-18"}, options), "");
    EXPECT_EQ(options.m_nBits, 24);
    EXPECT_EQ(options.m_nRate, 96000);
    EXPECT_EQ(options.m_loudness, -18.0);
    EXPECT_EQ(parse({"--loudness=-23.5"}, options), "");
    EXPECT_EQ(options.m_loudness, -23.5);
    EXPECT_EQ(options.m_nBits, 16) << "the default";
    EXPECT_NE(parse({"--bits", "20"}, options).find("'20' is not allowed; use 16, 24 or 32"), std::string::npos);
    EXPECT_NE(parse({"--rate", "22050"}, options).find("use 44100, 48000, 88200 or 96000"), std::string::npos);
    EXPECT_NE(parse({"--loudness", "5"}, options).find("from -70 to 0"), std::string::npos);
    EXPECT_NE(parse({"--loudness", "loud"}, options).find("is not a loudness"), std::string::npos);
}

TEST(NoArguments, PointToHelp)
{
    EXPECT_NE(NoArgumentsHint().find("sonnelith-cli --help"), std::string::npos);
}
