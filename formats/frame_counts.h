// Frame counts across sample rates, and the largest input a run can hold.
#pragma once

#include <cstdint>
#include <limits>

// The run's SourceBuffer is indexed by signed 32-bit frame positions at 44100 Hz.
inline constexpr std::uint64_t kMaxSourceFrames = std::numeric_limits<std::int32_t>::max();

// What frames at fromRate become at toRate: frames × toRate / fromRate rounded
// to the nearest whole frame (halves up), which is also how many frames the
// rate converter delivers for them. Saturates instead of overflowing.
inline std::uint64_t ConvertedFrameCount(std::uint64_t frames, std::uint32_t fromRate, std::uint32_t toRate)
{
    const unsigned __int128 scaled = static_cast<unsigned __int128>(frames) * toRate + fromRate / 2;
    const unsigned __int128 converted = scaled / fromRate;
    if (converted > std::numeric_limits<std::uint64_t>::max())
        return std::numeric_limits<std::uint64_t>::max();
    return static_cast<std::uint64_t>(converted);
}
