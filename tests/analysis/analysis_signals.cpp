#include "tests/analysis/analysis_signals.h"

#include <cmath>
#include <numbers>
#include <random>

std::vector<StereoFrame> Sine(double hz, float amplitude, std::size_t frames)
{
    std::vector<StereoFrame> sine(frames);
    for (std::size_t j = 0; j < frames; ++j) {
        const auto value = static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * hz * static_cast<double>(j) /
                                                                   kRunSampleRate));
        sine[j] = {value, value};
    }
    return sine;
}

std::vector<StereoFrame> Noise(float amplitude, std::size_t frames, unsigned seed)
{
    std::mt19937 random(seed);
    std::uniform_real_distribution<float> value(-amplitude, amplitude);
    std::vector<StereoFrame> noise(frames);
    for (StereoFrame& frame : noise)
        frame = {value(random), value(random)};
    return noise;
}
