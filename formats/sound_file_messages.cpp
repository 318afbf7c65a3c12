#include "formats/sound_file_messages.h"

#include <algorithm>
#include <cerrno>
#include <cmath>
#include <cstdio>
#include <cstring>

#include "engine/run/generation_settings.h"
#include "engine/parameters/parameter_table.h"
#include "engine/parameters/parameter_text.h"
#include "formats/frame_counts.h"
#include "resources/strings/format_string.h"
#include "resources/strings/resource_ids.h"

namespace {

void AppendOctal(std::string& text, unsigned char byte)
{
    text += '\\';
    text += static_cast<char>('0' + (byte >> 6));
    text += static_cast<char>('0' + ((byte >> 3) & 7));
    text += static_cast<char>('0' + (byte & 7));
}

// The escape of a C0 control or DEL: its C name where it has a short one.
void AppendEscaped(std::string& text, unsigned char byte)
{
    static constexpr char kNames[] = "abtnvfr";
    if (byte >= 7 && byte <= 13) {
        text += '\\';
        text += kNames[byte - 7];
        return;
    }
    AppendOctal(text, byte);
}

}  // namespace

std::string PrintableName(const std::string& name)
{
    std::string text;
    for (std::size_t i = 0; i < name.size(); ++i) {
        const auto byte = static_cast<unsigned char>(name[i]);
        const auto next = i + 1 < name.size() ? static_cast<unsigned char>(name[i + 1]) : 0;
        if (byte < 0x20 || byte == 0x7F) {
            AppendEscaped(text, byte);
        } else if (byte == 0xC2 && next >= 0x80 && next <= 0x9F) {
            AppendOctal(text, byte);
            AppendOctal(text, next);
            ++i;
        } else {
            text += name[i];
        }
    }
    return text;
}

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

int LongestGrainFor(std::uint64_t sourceFrames)
{
    const ParameterRow& row = RowOf(ParameterId::GrainLength);
    const auto longest = static_cast<int>(row.m_dMaximum);
    const auto shortest = static_cast<int>(row.m_dMinimum);
    const auto step = static_cast<int>(row.m_dStep);
    for (int ms = longest; ms >= shortest; ms -= step) {
        if (static_cast<std::uint64_t>(GrainFrames(ms)) < sourceFrames)
            return ms;
    }
    return 0;
}

RunMessage ShortInputFailure(const std::string& path, double fileSeconds, std::uint64_t sourceFrames,
                             int grainMilliseconds)
{
    const std::string name = InputDisplayName(path);
    const std::string seconds = FormatSeconds(fileSeconds);
    const int longest = LongestGrainFor(sourceFrames);
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
