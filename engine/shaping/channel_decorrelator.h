// Width that holds where many grains overlap: thousands of grains panned at
// random average back to the middle, so the two channels stay nearly alike.
// The decorrelator adds to the side (left minus right) a copy of the middle
// passed through a chain of all-pass filters, which keeps its spectrum but
// scrambles its phase, so the copy is unlike the middle from moment to
// moment. The middle, and so the mono sum, keeps its sound; the level is
// kept by scaling both channels.
#pragma once

#include <array>
#include <cstdint>
#include <vector>

class ChannelDecorrelator {
public:
    ChannelDecorrelator();
    void Reset();
    // One frame, in place, at amount (0: as it is, to the bit, up to 1): the
    // all-pass copy is added to the side at amount × kLargestShare. On noise
    // the channels' correlation falls from 1 to about (1 − s²) / (1 + s²),
    // s = amount × kLargestShare: 0.22 at amount 1.
    void Process(double amount, double& left, double& right);

    static constexpr double kLargestShare = 0.8;

private:
    // Schroeder all-pass sections, y = −g·x + x[n−d] + g·y[n−d], with
    // delays of 3 to 10 ms that share no factor.
    static constexpr std::array<std::uint32_t, 4> kDelays = {131, 197, 293, 433};
    static constexpr double kFeedback = 0.6;

    double AllPass(double middle);

    std::array<std::vector<double>, 4> m_lines;  // each section's input and output, interleaved
    std::array<std::uint32_t, 4> m_at{};
};
