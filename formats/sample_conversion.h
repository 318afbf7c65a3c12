// How finished float samples (full scale ±1.0) become the integers of a
// fixed-point output file: scaled by the format's largest positive value and
// truncated toward zero, as the 16-bit WAV writer has always done.
#pragma once

#include <cmath>
#include <cstdint>

// 16 bits: trunc(x × 32767). 24 bits: trunc(x × 8388607). A value past full
// scale (only rounding noise of a rate conversion can get there) is held at the
// format's limit; a value that is not a number at all becomes 0.
inline std::int32_t TruncateToInteger(float value, double fullScale)
{
    const double scaled = std::trunc(static_cast<double>(value) * fullScale);
    if (std::isnan(scaled))
        return 0;
    if (scaled > fullScale)
        return static_cast<std::int32_t>(fullScale);
    if (scaled < -fullScale - 1.0)
        return static_cast<std::int32_t>(-fullScale - 1.0);
    return static_cast<std::int32_t>(scaled);
}

inline constexpr double kPcm16FullScale = 32767.0;
inline constexpr double kPcm24FullScale = 8388607.0;

inline std::int16_t ToPcm16(float value)
{
    return static_cast<std::int16_t>(TruncateToInteger(value, kPcm16FullScale));
}

inline std::int32_t ToPcm24(float value)
{
    return TruncateToInteger(value, kPcm24FullScale);
}
