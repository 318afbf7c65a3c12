#include "cli/timings_report.h"

#include <cstdio>
#include <utility>

namespace {

std::string FormatLine(const char* phase, double seconds, double total)
{
    const double share = total > 0.0 ? seconds / total * 100.0 : 0.0;
    char line[80];
    std::snprintf(line, sizeof line, "  %-12s %9.3f s %6.1f %%\n", phase, seconds, share);
    return line;
}

}  // namespace

void WriteTimingsReport(std::ostream& out, const PhaseTimes& times, const std::string& how)
{
    const double total = times.Total();
    const std::pair<const char*, double> phases[] = {
        {"loading", times.m_dLoading},     {"allocating", times.m_dAllocating}, {"synthesis", times.m_dSynthesizing},
        {"finishing", times.m_dFinishing}, {"writing", times.m_dWriting},
    };
    out << "Timings (" << how << "):\n";
    for (const auto& [phase, seconds] : phases)
        out << FormatLine(phase, seconds, total);
    char line[80];
    std::snprintf(line, sizeof line, "  %-12s %9.3f s\n", "total", total);
    out << line << std::flush;
}
