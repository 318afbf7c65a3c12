#include "cli/option_suggestion.h"

#include <CLI/CLI.hpp>

std::vector<std::string> OptionNames(const CLI::App& app)
{
    std::vector<std::string> names;
    for (const CLI::Option* option : app.get_options()) {
        for (const std::string& name : option->get_snames())
            names.push_back("-" + name);
        for (const std::string& name : option->get_lnames())
            names.push_back("--" + name);
    }
    return names;
}

std::optional<std::string> DescribeUnplacedArgument(const CLI::App& app)
{
    std::vector<std::string> unplaced = app.remaining();
    // "--" ends the options: what follows it is a name, even when it begins with "-".
    const bool afterOptions = !unplaced.empty() && unplaced.front() == "--";
    if (afterOptions)
        unplaced.erase(unplaced.begin());
    if (unplaced.empty())
        return std::nullopt;
    const std::string& argument = unplaced.front();
    if (afterOptions)
        return "unexpected argument " + argument + " after --: one input only, and options go before --";
    if (argument.size() < 2 || argument[0] != '-')
        return "unexpected argument " + argument + ": one input only; name the output with -o";
    const std::string option = argument.substr(0, argument.find('='));
    if (const auto nearest = NearestOption(option, OptionNames(app)))
        return "unknown option " + option + "; did you mean " + *nearest + "?";
    return "unknown option " + option + "; see " + app.get_name() + " --help";
}

std::optional<std::string> DescribeRepeatedOption(const CLI::App& app)
{
    for (const CLI::Option* option : app.get_options()) {
        const bool oneValue = option->get_items_expected_max() == 1 && option->get_expected_min() >= 1;
        if (!oneValue || option->count() < 2 || option->get_lnames().empty())
            continue;
        std::string name = "--" + option->get_lnames().front();
        if (!option->get_snames().empty())
            name.append(" (-").append(option->get_snames().front()).append(")");
        return name + " is given " + std::to_string(option->count()) + " times; give it once";
    }
    return std::nullopt;
}
