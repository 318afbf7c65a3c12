#include "cli/option_suggestion.h"

#include <CLI/CLI.hpp>
#include <algorithm>

namespace {

std::size_t SlipAllowance(std::string_view name)
{
    const std::size_t letters = name.size() - std::min<std::size_t>(name.find_first_not_of('-'), name.size());
    return letters <= 4 ? 1 : letters <= 10 ? 2 : 3;
}

std::optional<std::string> OnlyAbbreviated(std::string_view typed, const std::vector<std::string>& known)
{
    std::optional<std::string> found;
    if (typed.size() < 3 || !typed.starts_with("--"))
        return std::nullopt;
    for (const std::string& name : known) {
        if (name.starts_with(typed)) {
            if (found)
                return std::nullopt;
            found = name;
        }
    }
    return found;
}

}  // namespace

std::size_t EditDistance(std::string_view a, std::string_view b)
{
    // Rows of the optimal string alignment table: two back, one back, current.
    std::vector<std::size_t> twoBack(b.size() + 1), oneBack(b.size() + 1), row(b.size() + 1);
    for (std::size_t j = 0; j <= b.size(); ++j)
        oneBack[j] = j;
    for (std::size_t i = 1; i <= a.size(); ++i) {
        row[0] = i;
        for (std::size_t j = 1; j <= b.size(); ++j) {
            const std::size_t replace = oneBack[j - 1] + (a[i - 1] == b[j - 1] ? 0 : 1);
            row[j] = std::min({oneBack[j] + 1, row[j - 1] + 1, replace});
            if (i > 1 && j > 1 && a[i - 1] == b[j - 2] && a[i - 2] == b[j - 1])
                row[j] = std::min(row[j], twoBack[j - 2] + 1);
        }
        twoBack.swap(oneBack);
        oneBack.swap(row);
    }
    return oneBack[b.size()];
}

std::optional<std::string> NearestOption(std::string_view typed, const std::vector<std::string>& known)
{
    typed = typed.substr(0, typed.find('='));
    if (auto abbreviated = OnlyAbbreviated(typed, known))
        return abbreviated;
    std::optional<std::string> nearest;
    std::size_t best = SlipAllowance(typed) + 1;
    bool tied = false;
    for (const std::string& name : known) {
        const std::size_t distance = EditDistance(typed, name);
        if (distance < best) {
            best = distance;
            nearest = name;
            tied = false;
        } else if (distance == best && nearest) {
            tied = true;
        }
    }
    return tied ? std::nullopt : nearest;
}

std::optional<std::string> NearestName(std::string_view typed, const std::vector<std::string>& known)
{
    if (auto nearest = NearestOption(typed, known))
        return nearest;
    std::optional<std::string> found;
    for (const std::string& name : known) {
        const bool related = typed.size() >= 3 && (typed.starts_with(name) || name.starts_with(typed));
        if (!related)
            continue;
        if (found)
            return std::nullopt;
        found = name;
    }
    return found;
}

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
