#include "ui/panel/length_presets.h"

#include <cstdio>

const std::array<LengthPreset, 6> kLengthPresets = {{
    {"15 secods test", {0, 15}},
    {"30 seconds test", {0, 30}},
    {"1 minute", {1, 0}},
    {"3 minutes", {3, 0}},
    {"5 minutes", {5, 0}},
    {"10 minutes", {10, 0}},
}};

std::string FormatMinutesSeconds(const MinutesSeconds& length)
{
    char text[16];
    std::snprintf(text, sizeof text, "%02d:%02d", length.m_nMinutes, length.m_nSeconds);
    return text;
}
