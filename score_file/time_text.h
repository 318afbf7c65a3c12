// Times as people write them, in the options and in score files: "45:00",
// "1:02:03", "90", and with a fraction of a second, "0:07.25" or "7.25".
#pragma once

#include <cstdint>
#include <optional>
#include <string>
#include <string_view>

// The longest track, and the latest time a score may name: 24 hours.
inline constexpr int kLongestTrackSeconds = 24 * 3600;

// Whole seconds from "SS", "M:SS", "MM:SS" or "H:MM:SS": hours (or minutes,
// without hours) of one or two digits first, then minutes and seconds of two
// digits below 60; or whole seconds alone, up to 4294967295. No sign, no
// spaces, no upper limit on the total. Nothing for any other text.
std::optional<std::uint64_t> ParseWholeTimeText(std::string_view text);

// As ParseWholeTimeText, with an optional fraction of a second after a point
// at the end ("0:07.25", "7.5"), in seconds. The fraction reads exactly as the
// same digits after the total whole seconds would ("1:07.1" is 67.1).
std::optional<double> ParseTimeText(std::string_view text);

// A time of 0 or more seconds as ParseTimeText reads it back to the same
// double: "0:00", "0:15", "20:00", "1:02:03", "0:07.25" (a fraction only
// when there is one, in its fewest digits).
std::string FormatTimeText(double seconds);
