#include "cli/option_values.h"

#include <CLI/CLI.hpp>
#include <charconv>
#include <utility>

#include "cli/option_suggestion.h"
#include "engine/parameters/parameter_text.h"
#include "engine/synthesis/synthesis_options.h"
#include "measurement/level_evening_plan.h"

namespace {

// The --kernel names and what they select.
const std::pair<const char*, AddKernel> kKernelNames[] = {
    {"auto", AddKernel::Fastest}, {"reference", AddKernel::Reference}, {"portable", AddKernel::Portable},
    {"avx2", AddKernel::Avx2},    {"avx512", AddKernel::Avx512},
};

const std::pair<const char*, SpillChoice> kSpillNames[] = {
    {"auto", SpillChoice::WhenRoom}, {"always", SpillChoice::Always}, {"never", SpillChoice::Never}};

}  // namespace

std::optional<std::uint64_t> ParseDigits(const std::string& text, std::uint64_t maximum)
{
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || text[0] == '-' || error != std::errc() || stop != end || value > maximum)
        return std::nullopt;
    return value;
}

std::optional<int> ParseLength(const std::string& text)
{
    const auto seconds = ParseWholeTimeText(text);
    if (!seconds || *seconds > static_cast<std::uint64_t>(kLongestLengthSeconds))
        return std::nullopt;
    return static_cast<int>(*seconds);
}

std::optional<AddKernel> FindKernel(const std::string& name)
{
    for (const auto& [kernelName, kernel] : kKernelNames) {
        if (name == kernelName)
            return kernel;
    }
    return std::nullopt;
}

std::optional<SpillChoice> FindSpillChoice(const std::string& name)
{
    for (const auto& [spillName, choice] : kSpillNames) {
        if (name == spillName)
            return choice;
    }
    return std::nullopt;
}

// A name that is no choice of the row gets the one probably meant.
CLI::Validator AllowedParameterValue(const ParameterRow& row)
{
    return CLI::Validator(
        [&row](std::string& text) {
            std::string refusal = RefusalOf(row, text);
            if (refusal.empty() || row.m_kind != ParameterKind::Choice)
                return refusal;
            const std::vector<std::string> names(row.m_choices.begin(), row.m_choices.end());
            if (const auto nearest = NearestName(text, names))
                refusal.append(" (did you mean '").append(*nearest).append("'?)");
            return refusal;
        },
        DescribeAllowed(row));
}

namespace {

// "90:30" as hours, minutes and seconds ("1:30:30"), for an MM:SS of an hour
// or more; nothing for any other text.
std::optional<std::string> AsHoursMinutesSeconds(const std::string& text)
{
    const std::size_t colon = text.find(':');
    if (colon == std::string::npos || text.find(':', colon + 1) != std::string::npos)
        return std::nullopt;
    const auto minutes = ParseDigits(text.substr(0, colon), 9999);
    const std::string secondsText = text.substr(colon + 1);
    const auto seconds = ParseDigits(secondsText, 59);
    if (!minutes || !seconds || secondsText.size() != 2 || *minutes < 60)
        return std::nullopt;
    const std::string mm = std::to_string(*minutes % 60);
    return std::to_string(*minutes / 60) + ":" + (mm.size() == 1 ? "0" + mm : mm) + ":" + secondsText;
}

}  // namespace

CLI::Validator AllowedLength()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            if (ParseLength(text))
                return {};
            if (ParseWholeTimeText(text))
                return "'" + text + "' is longer than the longest track, 24:00:00 (86400 seconds)";
            if (const auto hours = AsHoursMinutesSeconds(text))
                return "'" + text + "' is not a length: minutes go up to 59; write an hour or more as H:MM:SS, "
                       "here " + *hours;
            return "'" + text + "' is not a length; use H:MM:SS or MM:SS up to 24:00:00, or whole seconds";
        },
        "H:MM:SS up to 24:00:00, or seconds");
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

CLI::Validator AllowedExcerptSeconds()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            const auto value = ParseLength(text);
            if (value && *value >= 1)
                return {};
            return "'" + text + "' is not an excerpt's length; use [H:]MM:SS or whole seconds, from 0:01 to "
                   "24:00:00";
        },
        "0:01 to 24:00:00");
}

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

CLI::Validator AllowedSpill()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            if (FindSpillChoice(text))
                return {};
            return "'" + text + "' is not a spill choice; use auto, always or never";
        },
        "auto, always or never");
}

CLI::Validator AllowedLevelRange()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            double value = 0.0;
            const char* end = text.data() + text.size();
            const auto [stop, error] = std::from_chars(text.data(), end, value);
            if (error == std::errc() && stop == end && value >= LevelEveningPlan::kNarrowestRangeLu &&
                value <= LevelEveningPlan::kWidestRangeLu)
                return {};
            return "'" + text + "' is not a level range; use a number of LU from 1 to 40, for example 6";
        },
        "1 to 40");
}

CLI::Validator NotEmpty(const std::string& what)
{
    return CLI::Validator(
        [what](std::string& text) -> std::string {
            if (!text.empty())
                return {};
            return "the name is empty (an unset shell variable?); " + what;
        },
        "not empty");
}
