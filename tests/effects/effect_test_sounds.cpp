#include "tests/effects/effect_test_sounds.h"

#include <algorithm>
#include <cmath>
#include <cstring>
#include <numbers>
#include <random>

std::vector<StereoFrame> ClickSound(std::size_t frames, std::size_t at)
{
    std::vector<StereoFrame> sound(frames, StereoFrame{0.0f, 0.0f});
    sound.at(at) = {1.0f, 1.0f};
    return sound;
}

std::vector<StereoFrame> LeftToneSound(std::size_t frames, double frequency, double amplitude)
{
    std::vector<StereoFrame> sound(frames);
    for (std::size_t i = 0; i < frames; ++i)
        sound[i] = {static_cast<float>(amplitude * std::sin(2.0 * std::numbers::pi * frequency * i / kRunSampleRate)),
                    0.0f};
    return sound;
}

std::vector<StereoFrame> NoiseSound(std::size_t frames, float amplitude, unsigned seed)
{
    std::mt19937 generator(seed);
    std::uniform_real_distribution<float> draw(-amplitude, amplitude);
    std::vector<StereoFrame> sound(frames);
    for (StereoFrame& frame : sound) {
        frame.left = draw(generator);
        frame.right = draw(generator);
    }
    return sound;
}

double Energy(std::span<const StereoFrame> sound, std::size_t first, std::size_t count)
{
    double sum = 0.0;
    for (std::size_t i = first; i < std::min(sound.size(), first + count); ++i)
        sum += double(sound[i].left) * sound[i].left + double(sound[i].right) * sound[i].right;
    return sum;
}

float Peak(std::span<const StereoFrame> sound)
{
    float peak = 0.0f;
    for (const StereoFrame& frame : sound)
        peak = std::max({peak, std::fabs(frame.left), std::fabs(frame.right)});
    return peak;
}

bool SameBits(std::span<const StereoFrame> a, std::span<const StereoFrame> b)
{
    return a.size() == b.size() && std::memcmp(a.data(), b.data(), a.size_bytes()) == 0;
}
