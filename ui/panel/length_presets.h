// The output length as minutes and seconds, and the six length presets of the
// drop-down list.
#pragma once

#include <array>
#include <string>

// A length of 0:00 to 59:59.
struct MinutesSeconds {
    int m_nMinutes = 0;
    int m_nSeconds = 0;

    int TotalSeconds() const { return m_nMinutes * 60 + m_nSeconds; }
    friend bool operator==(const MinutesSeconds&, const MinutesSeconds&) = default;
};

constexpr int kMaxMinutes = 59;
constexpr int kMaxSeconds = 59;

// "mm:ss", both fields two digits.
std::string FormatMinutesSeconds(const MinutesSeconds& length);

struct LengthPreset {
    const char* m_pszText;  // the entry as the list shows it, letter for letter
    MinutesSeconds m_length;
};

// The list's entries in list order (not sorted).
extern const std::array<LengthPreset, 6> kLengthPresets;

// The length the window opens with and Restore puts back: the first preset's.
constexpr MinutesSeconds kDefaultLength{0, 15};
