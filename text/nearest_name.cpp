#include "text/nearest_name.h"

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
