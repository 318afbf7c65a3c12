#include "tests/cli/loop_seam.h"

#include <cmath>

double Rms(const std::vector<float>& samples, std::size_t first, std::size_t count)
{
    double sum = 0.0;
    for (std::size_t i = first; i < first + count; ++i)
        sum += static_cast<double>(samples[i]) * samples[i];
    return std::sqrt(sum / static_cast<double>(count));
}

double StepRank(const std::vector<float>& samples, std::size_t i)
{
    const float step = std::abs(samples[i + 1] - samples[i]);
    std::size_t smaller = 0;
    for (std::size_t j = 0; j + 1 < samples.size(); ++j)
        smaller += std::abs(samples[j + 1] - samples[j]) < step ? 1 : 0;
    return static_cast<double>(smaller) / static_cast<double>(samples.size() - 1);
}
