// Level evening where the level arises: each grain is given a gain from the
// loudness of the stretch of source it reads, so that the loud and the quiet
// places of a source give grains of about one level, and the slow evening of
// the finished track is left only what remains.
#pragma once

#include <cstdint>

#include "engine/scheduling/grain_level_gain.h"
#include "engine/source/source_loudness.h"

// From a survey of the source the grains read (its 100 ms blocks): the
// silence gate lies kSilenceBelowMeanLu under the blocks' power mean, and the
// median is that of the blocks above it. A grain's loudness is its stretch's
// energy weighted by the square of a Hann window over it (what the grain adds,
// for a source whose energy is even within each block); a stretch shorter
// than kShortestSurveyFrames is weighed over that many frames around its
// middle, so that a short grain keeps the source's own detail (a transient and
// its decay) and only the level of the place is evened.
//
// A grain louder than half the range above the median is brought down to it;
// one quieter than half the range below is lifted towards it, by no more than
// kMostLiftDb nor than its height above the gate, as the track's evening lifts;
// silence is left alone (as the track's evening does, with the same
// figures). Grains within half the range keep their level, so a source that
// stays within it sounds as it would without evening.
class GrainLevelHold final : public GrainLevelGain {
public:
    // 400 ms: the momentary loudness's window.
    static constexpr double kShortestSurveyFrames = 17640.0;
    // Places more than this under the source's mean loudness are silence.
    static constexpr double kSilenceBelowMeanLu = 40.0;
    // No grain is lifted by more than this.
    static constexpr double kMostLiftDb = 20.0;

    // rangeLu: the range either side of the median the track is evened to.
    GrainLevelHold(SourceLoudness loudness, double rangeLu);

    // The gain of a grain that reads source frames [first, first + frames).
    double GainOf(double first, double frames) const override;
    // The same in dB.
    double GainDbOf(double first, double frames) const;

    double MedianLufs() const { return m_dMedianLufs; }
    double GateLufs() const { return m_dGateLufs; }
    // Nothing above the gate: every grain keeps its level.
    bool IsSilent() const { return m_bSilent; }

private:
    SourceLoudness m_loudness;
    double m_dHalfRangeLu = 0.0;
    double m_dMedianLufs = 0.0;
    double m_dGateLufs = 0.0;
    bool m_bSilent = true;
};
