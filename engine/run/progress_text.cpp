#include "engine/run/progress_text.h"

#include <algorithm>
#include <cinttypes>
#include <cmath>
#include <cstdio>

namespace {

constexpr std::int64_t kBytesPerMebibyte = 1048576;
constexpr std::int64_t kHeaderBytes = 44;
constexpr std::int64_t kBytesPerFrame = 4;
// Estimates are cut off here: far beyond any real phase, yet safely inside 64 bits.
constexpr double kLongestEstimate = 1e15;

// Seconds left, from the share of the work done so far and the time it took.
std::int64_t RemainingSeconds(std::int32_t elapsedSeconds, double fraction)
{
    if (fraction == 0.0)
        return 0;
    const double remaining = std::trunc(elapsedSeconds * (1.0 / fraction) - elapsedSeconds);
    if (!(remaining < kLongestEstimate))  // also catches a fraction that makes no sense
        return static_cast<std::int64_t>(kLongestEstimate);
    return static_cast<std::int64_t>(std::max(remaining, -kLongestEstimate));
}

struct HoursMinutesSeconds {
    std::int64_t m_nHours;
    int m_nMinutes;
    int m_nSeconds;
};

// A non-negative number of seconds as hours, minutes and seconds.
HoursMinutesSeconds SplitSeconds(std::int64_t seconds)
{
    return {seconds / 3600, static_cast<int>(seconds % 3600 / 60), static_cast<int>(seconds % 60)};
}

}  // namespace

std::string FormatPercent(int percent)
{
    char text[16];
    std::snprintf(text, sizeof text, "%d%%", percent);
    return text;
}

std::string FormatSizeMB(unsigned mebibytes)
{
    char text[32];
    if (mebibytes >= 1000)
        std::snprintf(text, sizeof text, "%.1f GB", mebibytes * 0.001);
    else
        std::snprintf(text, sizeof text, "%1u MB", mebibytes);
    return text;
}

std::string FormatWrittenSize(std::uint64_t framesWritten)
{
    const std::int64_t bytes = static_cast<std::int64_t>(framesWritten) * kBytesPerFrame + kHeaderBytes;
    return FormatSizeMB(static_cast<unsigned>(bytes / kBytesPerMebibyte));
}

std::string FormatBytesMB(std::uint64_t bytes)
{
    const std::uint64_t mebibytes = bytes / kBytesPerMebibyte;
    return FormatSizeMB(static_cast<unsigned>(std::min<std::uint64_t>(mebibytes, UINT32_MAX)));
}

std::string FormatTimeLeft(std::int32_t elapsedSeconds, double fraction)
{
    const std::int64_t remaining = RemainingSeconds(elapsedSeconds, fraction);
    if (remaining < 2)
        return "...";
    const HoursMinutesSeconds parts = SplitSeconds(remaining);
    char text[48];
    std::snprintf(text, sizeof text, "%2.2" PRId64 ":%2.2d:%2.2d", parts.m_nHours, parts.m_nMinutes, parts.m_nSeconds);
    return text;
}
