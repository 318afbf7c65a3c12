#include "cli/option_values.h"

#include <charconv>
#include <utility>

#include "engine/synthesis/synthesis_options.h"

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
    const auto colon = text.find(':');
    if (colon == std::string::npos) {
        const auto seconds = ParseDigits(text, kMaxDurationSeconds);
        return seconds ? std::optional<int>(static_cast<int>(*seconds)) : std::nullopt;
    }
    const std::string minutesText = text.substr(0, colon);
    const std::string secondsText = text.substr(colon + 1);
    const auto minutes = ParseDigits(minutesText, 59);
    const auto seconds = ParseDigits(secondsText, 59);
    if (minutesText.size() > 2 || secondsText.size() != 2 || !minutes || !seconds)
        return std::nullopt;
    return static_cast<int>(*minutes * 60 + *seconds);
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

std::string DescribeLimits(const ParameterLimits& limits)
{
    std::string text = std::to_string(limits.m_nMinimum) + " to " + std::to_string(limits.m_nMaximum);
    if (limits.m_nStep != 1)
        text += " in steps of " + std::to_string(limits.m_nStep);
    return text;
}

CLI::Validator AllowedValues(const ParameterLimits& limits)
{
    const std::string allowed = DescribeLimits(limits);
    return CLI::Validator(
        [limits, allowed](std::string& text) -> std::string {
            const auto value = ParseDigits(text, static_cast<std::uint64_t>(limits.m_nMaximum));
            if (value && IsAllowedValue(limits, static_cast<int>(*value)))
                return {};
            return "'" + text + "' is not allowed; use " + allowed;
        },
        allowed);
}

CLI::Validator AllowedLength()
{
    return CLI::Validator(
        [](std::string& text) -> std::string {
            if (ParseLength(text))
                return {};
            return "'" + text + "' is not a length; use MM:SS up to 59:59, or whole seconds up to 3599";
        },
        "MM:SS up to 59:59, or seconds");
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
