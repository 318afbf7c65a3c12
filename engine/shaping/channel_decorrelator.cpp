#include "engine/shaping/channel_decorrelator.h"

#include <cmath>

ChannelDecorrelator::ChannelDecorrelator()
{
    for (std::size_t i = 0; i < kDelays.size(); ++i)
        m_lines[i].assign(2 * kDelays[i], 0.0);
}

void ChannelDecorrelator::Reset()
{
    for (std::vector<double>& line : m_lines)
        std::fill(line.begin(), line.end(), 0.0);
    m_at = {};
}

double ChannelDecorrelator::AllPass(double middle)
{
    double x = middle;
    for (std::size_t i = 0; i < kDelays.size(); ++i) {
        std::vector<double>& line = m_lines[i];
        const std::uint32_t at = m_at[i];
        const double delayedIn = line[2 * at];
        const double delayedOut = line[2 * at + 1];
        const double y = -kFeedback * x + delayedIn + kFeedback * delayedOut;
        line[2 * at] = x;
        line[2 * at + 1] = y;
        m_at[i] = at + 1 == kDelays[i] ? 0 : at + 1;
        x = y;
    }
    return x;
}

// The all-pass chain passes g⁴ of its input straight through; that part is
// taken off, so the copy is unlike the middle at once too, and adding it to
// one side and taking it from the other leaves both at the same level.
void ChannelDecorrelator::Process(double amount, double& left, double& right)
{
    constexpr double kStraight = kFeedback * kFeedback * kFeedback * kFeedback;
    const double middle = (left + right) * 0.5;
    const double copy = AllPass(middle) - kStraight * middle;
    if (amount == 0.0)
        return;
    const double share = amount * kLargestShare;
    const double scale = 1.0 / std::sqrt(1.0 + share * share);
    left = (left + share * copy) * scale;
    right = (right - share * copy) * scale;
}
