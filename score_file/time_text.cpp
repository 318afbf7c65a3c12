#include "score_file/time_text.h"

#include <charconv>
#include <cmath>
#include <vector>

#include "engine/parameters/parameter_text.h"

namespace {

std::optional<std::uint64_t> ParseUnsigned(std::string_view text, std::uint64_t maximum)
{
    std::uint64_t value = 0;
    const char* end = text.data() + text.size();
    const auto [stop, error] = std::from_chars(text.data(), end, value);
    if (text.empty() || error != std::errc() || stop != end || value > maximum)
        return std::nullopt;
    return value;
}

std::vector<std::string_view> SplitAtColons(std::string_view text)
{
    std::vector<std::string_view> fields;
    for (;;) {
        const std::size_t colon = text.find(':');
        fields.push_back(text.substr(0, colon));
        if (colon == std::string_view::npos)
            return fields;
        text.remove_prefix(colon + 1);
    }
}

bool AllDigits(std::string_view text)
{
    return !text.empty() && text.find_first_not_of("0123456789") == std::string_view::npos;
}

}  // namespace

std::optional<std::uint64_t> ParseWholeTimeText(std::string_view text)
{
    const std::vector<std::string_view> fields = SplitAtColons(text);
    if (fields.size() == 1)
        return ParseUnsigned(text, UINT32_MAX);
    if (fields.size() > 3 || fields.front().empty() || fields.front().size() > 2)
        return std::nullopt;
    std::uint64_t seconds = 0;
    for (std::size_t i = 0; i < fields.size(); ++i) {
        const bool leading = i == 0;
        const auto value = ParseUnsigned(fields[i], leading ? 99 : 59);
        if (!value || (!leading && fields[i].size() != 2))
            return std::nullopt;
        seconds = seconds * 60 + *value;
    }
    // Without hours, the minutes stay below 60: an hour is written 1:00:00.
    if (fields.size() == 2 && seconds >= 3600)
        return std::nullopt;
    return seconds;
}

std::optional<double> ParseTimeText(std::string_view text)
{
    const std::size_t point = text.find('.');
    const auto whole = ParseWholeTimeText(text.substr(0, point));
    if (!whole)
        return std::nullopt;
    if (point == std::string_view::npos)
        return static_cast<double>(*whole);
    const std::string_view fraction = text.substr(point + 1);
    if (!AllDigits(fraction))
        return std::nullopt;
    // The decimal number itself, so that the digits round once, as a number
    // of seconds written with them would.
    const std::string decimal = std::to_string(*whole) + "." + std::string(fraction);
    double seconds = 0.0;
    const auto [stop, error] =
        std::from_chars(decimal.data(), decimal.data() + decimal.size(), seconds, std::chars_format::fixed);
    if (error != std::errc() || stop != decimal.data() + decimal.size())
        return std::nullopt;
    return seconds;
}

std::string FormatTimeText(double seconds)
{
    // The shortest decimal that reads back to seconds, split at its point.
    const std::string decimal = FormatNumber(seconds);
    const std::size_t point = decimal.find('.');
    const std::string fraction = point == std::string::npos ? "" : decimal.substr(point);
    const auto whole = ParseUnsigned(std::string_view(decimal).substr(0, point), UINT64_MAX);
    if (!whole || seconds < 0 || !std::isfinite(seconds))
        return decimal;
    const std::uint64_t hours = *whole / 3600;
    const std::uint64_t minutes = *whole / 60 % 60;
    const std::uint64_t rest = *whole % 60;
    // Appended, not "0" + digits: GCC 12's optimiser reports a false overlap
    // (-Wrestrict, GCC bug 105651) in std::string's insert at the front.
    auto twoDigits = [](std::uint64_t value) {
        return std::string(value < 10 ? "0" : "").append(std::to_string(value));
    };
    std::string text = hours > 0 ? std::to_string(hours) + ":" + twoDigits(minutes) : std::to_string(minutes);
    return text + ":" + twoDigits(rest) + fraction;
}
