#include "cli/help_formatter.h"

#include <algorithm>
#include <cctype>
#include <sstream>
#include <vector>

namespace {

constexpr std::size_t kNameIndent = 2;

std::vector<std::string> Words(const std::string& line)
{
    std::istringstream stream(line);
    std::vector<std::string> words;
    for (std::string word; stream >> word;)
        words.push_back(word);
    return words;
}

std::vector<std::string> Lines(const std::string& text)
{
    std::vector<std::string> lines;
    std::istringstream stream(text);
    for (std::string line; std::getline(stream, line);)
        lines.push_back(line);
    return lines;
}

// "-o, --output", or the positional's name.
std::string OptionNames(const CLI::Option& option, bool isPositional)
{
    if (isPositional)
        return option.get_name(true, false);
    std::string names;
    for (const std::string& name : option.get_snames())
        names += (names.empty() ? "-" : ", -") + name;
    for (const std::string& name : option.get_lnames())
        names += (names.empty() ? "--" : ", --") + name;
    return names;
}

// "-o FILE": the shortest name, and the value it takes.
std::string ShortestForm(const CLI::Option& option)
{
    std::string form =
        option.get_snames().empty() ? "--" + option.get_lnames().front() : "-" + option.get_snames().front();
    const std::string value = ValueName(option);
    return value.empty() ? form : form + ' ' + value;
}

std::string OptionDescription(const CLI::Option& option)
{
    std::string description = option.get_description();
    if (!option.get_default_str().empty() && option.get_expected_max() != 0)
        description += " (default " + option.get_default_str() + ")";
    if (option.get_required())
        description += " (required)";
    return description;
}

}  // namespace

HelpFormatter::HelpFormatter()
{
    column_width(kDescriptionColumn);
}

std::string WrapText(const std::string& text, std::size_t width, std::size_t indent, std::size_t firstColumn)
{
    std::string out;
    std::size_t column = firstColumn;
    bool firstLine = true;
    for (const std::string& line : Lines(text)) {
        if (!firstLine) {
            out += '\n' + std::string(indent, ' ');
            column = indent;
        }
        firstLine = false;
        bool lineStart = true;
        for (const std::string& word : Words(line)) {
            if (!lineStart && column + 1 + word.size() > width) {
                out += '\n' + std::string(indent, ' ');
                column = indent;
                lineStart = true;
            }
            if (!lineStart) {
                out += ' ';
                ++column;
            }
            out += word;
            column += word.size();
            lineStart = false;
        }
    }
    return out;
}

std::string ValueName(const CLI::Option& option)
{
    if (option.get_positional() || option.get_expected_max() == 0)
        return {};  // a flag takes no value
    if (!option.get_option_text().empty())
        return option.get_option_text();
    std::string name = option.get_lnames().empty() ? option.get_snames().front() : option.get_lnames().front();
    std::transform(name.begin(), name.end(), name.begin(), [](unsigned char c) {
        return c == '-' ? '_' : static_cast<char>(std::toupper(c));
    });
    return name;
}

std::string HelpFormatter::make_description(const CLI::App* app) const
{
    const std::string description = app->get_description();
    return description.empty() ? std::string() : WrapText(description, kWidth, 0, 0) + "\n\n";
}

std::string HelpFormatter::make_option(const CLI::Option* option, bool isPositional) const
{
    std::string left = std::string(kNameIndent, ' ') + OptionNames(*option, isPositional);
    const std::string value = ValueName(*option);
    if (!value.empty())
        left += ' ' + value;
    const std::string description = OptionDescription(*option);
    if (left.size() + 1 >= kDescriptionColumn) {
        left += '\n' + std::string(kDescriptionColumn, ' ');
        return left + WrapText(description, kWidth, kDescriptionColumn, kDescriptionColumn) + '\n';
    }
    left += std::string(kDescriptionColumn - left.size(), ' ');
    return left + WrapText(description, kWidth, kDescriptionColumn, kDescriptionColumn) + '\n';
}

std::string HelpFormatter::make_usage(const CLI::App* app, std::string name) const
{
    std::string usage = "Usage: " + name;
    for (const CLI::Option* option : app->get_options([](const CLI::Option* o) { return o->get_positional(); })) {
        const std::string positional = OptionNames(*option, true);
        usage += option->get_required() ? ' ' + positional : " [" + positional + ']';
    }
    for (const CLI::Option* option :
         app->get_options([](const CLI::Option* o) { return o->nonpositional() && o->get_required(); }))
        usage += ' ' + ShortestForm(*option);
    return usage + " [options]\n";
}

std::string HelpFormatter::make_footer(const CLI::App* app) const
{
    const std::string footer = app->get_footer();
    return footer.empty() ? std::string() : WrapText(footer, kWidth, 0, 0) + "\n";
}

std::string NoArgumentsHint()
{
    return "sonnelith-cli: nothing to do; give at least an output file (-o FILE), or see sonnelith-cli --help";
}
