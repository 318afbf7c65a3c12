#include "tests/formats/signal_measures.h"

#include <algorithm>
#include <cmath>
#include <numbers>

std::vector<float> LeftChannel(const std::vector<StereoFrame>& frames)
{
    std::vector<float> left;
    left.reserve(frames.size());
    for (const StereoFrame& frame : frames)
        left.push_back(frame.left);
    return left;
}

double ZeroCrossingFrequency(const std::vector<float>& samples, double rate)
{
    double first = -1.0;
    double last = -1.0;
    int crossings = 0;
    for (std::size_t i = 1; i < samples.size(); ++i) {
        if (samples[i - 1] < 0.0f && samples[i] >= 0.0f) {
            const double fraction = samples[i - 1] / (static_cast<double>(samples[i - 1]) - samples[i]);
            const double time = (static_cast<double>(i - 1) + fraction) / rate;
            if (first < 0.0)
                first = time;
            last = time;
            ++crossings;
        }
    }
    return crossings > 1 ? (crossings - 1) / (last - first) : 0.0;
}

double ToneAmplitude(const std::vector<float>& samples, double frequency, double rate)
{
    constexpr double a0 = 0.35875, a1 = 0.48829, a2 = 0.14128, a3 = 0.01168;
    const double n = static_cast<double>(samples.size());
    const double twoPi = 2.0 * std::numbers::pi;
    double re = 0.0;
    double im = 0.0;
    double windowSum = 0.0;
    for (std::size_t i = 0; i < samples.size(); ++i) {
        const double x = twoPi * static_cast<double>(i) / (n - 1.0);
        const double w = a0 - a1 * std::cos(x) + a2 * std::cos(2.0 * x) - a3 * std::cos(3.0 * x);
        const double phase = twoPi * frequency * static_cast<double>(i) / rate;
        re += w * samples[i] * std::cos(phase);
        im -= w * samples[i] * std::sin(phase);
        windowSum += w;
    }
    return 2.0 * std::hypot(re, im) / windowSum;
}

double LargestToneBetween(const std::vector<float>& samples, double from, double to, double step, double rate)
{
    double largest = 0.0;
    for (double f = from; f <= to; f += step)
        largest = std::max(largest, ToneAmplitude(samples, f, rate));
    return largest;
}

double SamplePeak(const std::vector<StereoFrame>& frames)
{
    double peak = 0.0;
    for (const StereoFrame& frame : frames) {
        peak = std::max(peak, std::fabs(static_cast<double>(frame.left)));
        peak = std::max(peak, std::fabs(static_cast<double>(frame.right)));
    }
    return peak;
}

double ToDecibels(double ratio)
{
    return 20.0 * std::log10(ratio);
}
