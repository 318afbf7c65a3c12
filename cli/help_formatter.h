// The --help text of sonnelith-cli: 100 columns at most, each option with its
// names and the kind of value it takes ("--length MM:SS"), its description
// wrapped beside it, and its default in words, without the parser's own type
// and validator labels (TEXT, INT:1 to 100=50, REQUIRED).
#pragma once

#include <CLI/CLI.hpp>
#include <cstddef>
#include <string>

class HelpFormatter : public CLI::Formatter {
public:
    static constexpr std::size_t kWidth = 100;
    // Where descriptions begin; longer names put theirs on the next line.
    static constexpr std::size_t kDescriptionColumn = 30;

    HelpFormatter();

    std::string make_description(const CLI::App* app) const override;
    // "Usage: sonnelith-cli [INPUT] -o FILE [options]": the positionals, then
    // the required options with their values.
    std::string make_usage(const CLI::App* app, std::string name) const override;
    std::string make_option(const CLI::Option* option, bool isPositional) const override;
    std::string make_footer(const CLI::App* app) const override;
};

// The words of text laid out in lines of at most width columns; the first line
// starts after firstColumn columns already used, every line after it is
// indented to column indent. Line breaks in text are kept.
std::string WrapText(const std::string& text, std::size_t width, std::size_t indent, std::size_t firstColumn);

// The value an option takes as --help shows it: the text given with
// option_text(), else its long name in capitals ("--seed" -> "SEED"); nothing
// for a flag or a positional.
std::string ValueName(const CLI::Option& option);

// What sonnelith-cli says when it is started with no arguments at all.
std::string NoArgumentsHint();
