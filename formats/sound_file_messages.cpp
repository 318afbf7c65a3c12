#include "formats/sound_file_messages.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/run/generation_settings.h"
#include "engine/parameters/parameter_table.h"
#include "engine/parameters/parameter_text.h"
#include "engine/scheduling/grain_scheduler.h"
#include "formats/frame_counts.h"
#include "resources/strings/format_string.h"
#include "resources/strings/resource_ids.h"

std::string InputDisplayName(const std::string& path)
{
    return path == "-" ? "standard input" : PrintableName(path);
}

RunMessage InputFailure(const std::string& path, const std::string& reason)
{
    return {IDS_ERR_READ_INPUT, FormatResourceString(IDS_ERR_READ_INPUT, {InputDisplayName(path), reason})};
}

std::string TooLongInputReason(std::optional<double> seconds)
{
    const std::string limit = std::to_string(kMaxSourceFrames / kRunSampleRate);
    const std::string input = seconds ? "a " + std::to_string(static_cast<std::uint64_t>(*seconds)) + " s input"
                                      : std::string("the input");
    return input + " is longer than the " + limit + " s the generator can hold";
}

RunMessage OutputFailure(const std::string& path, const std::string& reason)
{
    return {IDS_ERR_WRITE_OUTPUT, FormatResourceString(IDS_ERR_WRITE_OUTPUT, {PrintableName(path), reason})};
}

std::string DescribeSystemError(int error)
{
    switch (error) {
    case EACCES:
    case EPERM: return "permission denied";
    case ENOSPC:
    case EDQUOT: return "disk full";
    case EROFS: return "read-only file system";
    default: return std::strerror(error);
    }
}

std::int64_t GrainFrames(int milliseconds)
{
    return static_cast<std::int64_t>(milliseconds) * 441 / 10;
}

std::uint64_t GrainReadFrames(int milliseconds, const SemitoneRange& transposition)
{
    GrainBounds bounds;
    bounds.m_nLongestGrainFrames = static_cast<std::int32_t>(GrainFrames(milliseconds));
    bounds.m_dLowestSemitones = transposition.m_dLowest;
    bounds.m_dHighestSemitones = transposition.m_dHighest;
    return GrainScheduler::LongestRead(bounds);
}

int LongestGrainFor(std::uint64_t sourceFrames, const SemitoneRange& transposition)
{
    const ParameterRow& row = RowOf(ParameterId::GrainLength);
    const auto longest = static_cast<int>(row.m_dMaximum);
    const auto shortest = static_cast<int>(row.m_dMinimum);
    const auto step = static_cast<int>(row.m_dStep);
    for (int ms = longest; ms >= shortest; ms -= step) {
        if (GrainReadFrames(ms, transposition) < sourceFrames)
            return ms;
    }
    return 0;
}

namespace {

// The same for grains that read more than their length: named with their
// transposition and the stretch of input they span.
RunMessage ShortInputForTransposedGrain(const std::string& path, double fileSeconds, std::uint64_t sourceFrames,
                                        int grainMilliseconds, const SemitoneRange& transposition)
{
    const int longest = LongestGrainFor(sourceFrames, transposition);
    const std::string remedy = longest > 0 ? "--grain-length " + std::to_string(longest) + " or less, or a lower pitch"
                                           : std::string("a longer input, or a lower pitch");
    const double spanned = static_cast<double>(GrainReadFrames(grainMilliseconds, transposition)) / kRunSampleRate;
    return {IDS_ERR_INPUT_SHORTER_THAN_TRANSPOSED_GRAIN,
            FormatResourceString(IDS_ERR_INPUT_SHORTER_THAN_TRANSPOSED_GRAIN,
                                 {InputDisplayName(path), FormatSeconds(fileSeconds), std::to_string(grainMilliseconds),
                                  FormatNumber(transposition.m_dHighest), FormatSeconds(spanned), remedy})};
}

}  // namespace

RunMessage ShortInputFailure(const std::string& path, double fileSeconds, std::uint64_t sourceFrames,
                             int grainMilliseconds, const SemitoneRange& transposition)
{
    if (transposition.m_dHighest > 0.0)
        return ShortInputForTransposedGrain(path, fileSeconds, sourceFrames, grainMilliseconds, transposition);
    const std::string name = InputDisplayName(path);
    const std::string seconds = FormatSeconds(fileSeconds);
    const int longest = LongestGrainFor(sourceFrames, transposition);
    if (longest == 0) {
        const std::string shortest = FormatNumber(RowOf(ParameterId::GrainLength).m_dMinimum);
        return {IDS_ERR_INPUT_SHORTER_THAN_ANY_GRAIN,
                FormatResourceString(IDS_ERR_INPUT_SHORTER_THAN_ANY_GRAIN, {name, seconds, shortest})};
    }
    return {IDS_ERR_INPUT_SHORTER_THAN_GRAIN,
            FormatResourceString(IDS_ERR_INPUT_SHORTER_THAN_GRAIN,
                                 {name, seconds, std::to_string(grainMilliseconds), std::to_string(longest)})};
}

std::string FormatSeconds(double seconds)
{
    const double thousandths = std::floor(std::max(seconds, 0.0) * 1000.0 + 1e-6);
    char text[32];
    std::snprintf(text, sizeof text, "%.3f", thousandths / 1000.0);
    std::string result = text;
    while (result.back() == '0')
        result.pop_back();
    if (result.back() == '.')
        result.pop_back();
    return result;
}
