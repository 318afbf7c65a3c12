// The checks made before a run may start.
#pragma once

#include <cstdint>
#include <string>

struct GenerateCheckState {
    std::string m_strInPath;
    std::string m_strOutPath;
    std::int32_t m_nAvailableDiskMB = 0;  // the figures as last computed
    std::int32_t m_nRequiredDiskMB = 0;
};

// The message that refuses the run, first failing check first: no input
// (61586), no output (61584), an output that is the input file itself, under
// its own name or through a link (61594), less free disk space than the
// output needs (61588); 0 when the run may start.
int GenerateRefusal(const GenerateCheckState& state);

// Both paths name one existing file: the same path, or links (hard or
// symbolic) to the same file.
bool IsSameFile(const std::string& first, const std::string& second);
