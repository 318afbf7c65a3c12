#include "engine/source/grain_level_hold.h"

#include <algorithm>
#include <cmath>
#include <utility>
#include <vector>

GrainLevelHold::GrainLevelHold(SourceLoudness loudness, double rangeLu)
    : m_loudness(std::move(loudness))
    , m_dHalfRangeLu(rangeLu * 0.5)
{
    const double mean = m_loudness.MeanEnergy(0.0, static_cast<double>(m_loudness.Frames()));
    if (!(mean > 0.0))
        return;
    m_dGateLufs = LoudnessOfMeanSquare(mean) - kSilenceBelowMeanLu;
    std::vector<double> heard;
    for (std::size_t b = 0; b < m_loudness.Blocks(); ++b) {
        const double loudness = LoudnessOfMeanSquare(m_loudness.BlockEnergy(b));
        if (loudness > m_dGateLufs)
            heard.push_back(loudness);
    }
    if (heard.empty())
        return;
    const auto middle = heard.begin() + static_cast<std::ptrdiff_t>(heard.size() / 2);
    std::nth_element(heard.begin(), middle, heard.end());
    m_dMedianLufs = *middle;
    m_bSilent = false;
}

double GrainLevelHold::GainDbOf(double first, double frames) const
{
    if (m_bSilent || !(frames > 0.0))
        return 0.0;
    // A short stretch is weighed over the shortest width around its middle,
    // kept inside the source where the source is long enough.
    const double width = std::max(frames, kShortestSurveyFrames);
    double from = first + (frames - width) * 0.5;
    from = std::min(from, static_cast<double>(m_loudness.Frames()) - width);
    from = std::max(from, 0.0);
    const double loudness = LoudnessOfMeanSquare(m_loudness.HannEnergy(from, from + width));
    if (!(loudness > m_dGateLufs))
        return 0.0;
    const double top = m_dMedianLufs + m_dHalfRangeLu;
    const double bottom = m_dMedianLufs - m_dHalfRangeLu;
    if (loudness > top)
        return top - loudness;
    if (loudness < bottom)
        return std::min({bottom - loudness, kMostLiftDb, loudness - m_dGateLufs});
    return 0.0;
}

double GrainLevelHold::GainOf(double first, double frames) const
{
    const double db = GainDbOf(first, frames);
    return db == 0.0 ? 1.0 : std::pow(10.0, db / 20.0);
}
