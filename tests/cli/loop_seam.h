// Measures of the seam of a looped output played twice end to end: the size
// of its step among the others, and the level on either side of it.
#pragma once

#include <cstddef>
#include <vector>

// The root mean square of count samples from first.
double Rms(const std::vector<float>& samples, std::size_t first, std::size_t count);

// The step from sample i to i + 1, as the share of all steps smaller than it:
// near 1 for a click, spread over 0 to 1 for an ordinary step.
double StepRank(const std::vector<float>& samples, std::size_t i);
