// The --timings report: how long each phase of a run took, and its share.
#pragma once

#include <ostream>
#include <string>

#include "engine/run/phase_times.h"

// A heading naming how the grains were added, then one line per phase with its
// seconds and its share of the total, then the total.
void WriteTimingsReport(std::ostream& out, const PhaseTimes& times, const std::string& how);
