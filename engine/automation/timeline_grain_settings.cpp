#include "engine/automation/timeline_grain_settings.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <vector>

#include "engine/parameters/parameter_table.h"
#include "engine/base/stereo_frame.h"
#include "engine/scheduling/grain_scheduler.h"
#include "engine/scheduling/parameter_grain_settings.h"

// A layer whose values hold throughout asks for exactly its settings'
// extremes, as a plain run does. One that moves: the pitch line's extremes,
// plus the widest intervals of any pitch set it uses, 0 (no interval) among
// them, plus half the widest spread either way; the walks of moving scores
// have always been laid out for these.
GrainBounds BoundsOfTimeline(const ParameterTimeline& timeline)
{
    if (timeline.IsConstant())
        return BoundsOfSettings(GrainSettingsOfValues(timeline.At(0.0).m_values, 0.0));
    const ValueBounds pitch = timeline.BoundsOf(ParameterId::Pitch);
    const ValueBounds spread = timeline.BoundsOf(ParameterId::PitchSpread);
    const ValueBounds length = timeline.BoundsOf(ParameterId::GrainLength);
    double lowestInterval = 0.0;
    double highestInterval = 0.0;
    for (const std::vector<double>& set : timeline.PitchSets()) {
        for (const double interval : set) {
            lowestInterval = std::min(lowestInterval, interval);
            highestInterval = std::max(highestInterval, interval);
        }
    }
    GrainBounds bounds;
    ParameterValues longest;
    longest.Set(ParameterId::GrainLength, length.m_dHighest);
    bounds.m_nLongestGrainFrames = GrainSettingsOfValues(longest, 0.0).m_nGrainFrames;
    bounds.m_dLowestSemitones = pitch.m_dLowest + lowestInterval - spread.m_dHighest * 0.5;
    bounds.m_dHighestSemitones = pitch.m_dHighest + highestInterval + spread.m_dHighest * 0.5;
    bounds.m_nLatestStartFrames = LatestStartFrames(timeline.BoundsOf(ParameterId::TimingSpread).m_dHighest * 0.01,
                                                    timeline.BoundsOf(ParameterId::Density).m_dLowest);
    return bounds;
}

namespace {

// The stretches the track is cut into for the read along it: at every
// keyframe, where a line may turn, and at least this many even ones, so
// that a line moving between two keyframes is followed closely.
constexpr int kEvenStretches = 1024;

// The times that cut [0, length] into stretches, in order.
std::vector<double> CutTimes(const ParameterTimeline& timeline)
{
    const double length = timeline.LengthSeconds();
    std::vector<double> cuts;
    for (int i = 0; i <= kEvenStretches; ++i)
        cuts.push_back(length * i / kEvenStretches);
    for (const double time : timeline.KeyframeTimes()) {
        if (time > 0.0 && time < length)
            cuts.push_back(time);
    }
    std::sort(cuts.begin(), cuts.end());
    return cuts;
}

// The longest read of a grain starting from seconds from up to seconds to
// (at from alone when they are equal): every value lies within its bounds
// there, and a longer grain or a higher pitch never reads less.
std::uint64_t LongestReadBetween(const ParameterTimeline& timeline, double from, double to)
{
    const ValueBounds pitch = timeline.BoundsBetween(ParameterId::Pitch, from, to);
    const ValueBounds spread = timeline.BoundsBetween(ParameterId::PitchSpread, from, to);
    const ValueBounds intervals = timeline.IntervalBoundsBetween(from, to);
    ParameterValues longest;
    longest.Set(ParameterId::GrainLength, timeline.BoundsBetween(ParameterId::GrainLength, from, to).m_dHighest);
    GrainBounds bounds;
    bounds.m_nLongestGrainFrames = GrainSettingsOfValues(longest, 0.0).m_nGrainFrames;
    bounds.m_dLowestSemitones = pitch.m_dLowest + intervals.m_dLowest - spread.m_dHighest * 0.5;
    bounds.m_dHighestSemitones = pitch.m_dHighest + intervals.m_dHighest + spread.m_dHighest * 0.5;
    return GrainScheduler::LongestRead(bounds);
}

}  // namespace

std::uint64_t LongestReadAlong(const ParameterTimeline& timeline)
{
    const std::vector<double> cuts = CutTimes(timeline);
    // Grains from the end on take the values at the end.
    std::uint64_t longest = LongestReadBetween(timeline, cuts.back(), cuts.back());
    for (std::size_t i = 0; i + 1 < cuts.size(); ++i)
        longest = std::max(longest, LongestReadBetween(timeline, cuts[i], cuts[i + 1]));
    return longest;
}

double TrackSecondsOf(std::uint64_t frame, std::uint64_t warmUpFrames)
{
    return (static_cast<double>(frame) - static_cast<double>(warmUpFrames)) / kRunSampleRate;
}

TimelineGrainSettings::TimelineGrainSettings(const ParameterTimeline& timeline, double volume,
                                             std::uint64_t warmUpFrames)
    : m_timeline(timeline)
    , m_dVolume(volume)
    , m_nWarmUpFrames(warmUpFrames)
    , m_bounds(BoundsOfTimeline(timeline))
{
}

const GrainSettings& TimelineGrainSettings::SettingsAt(std::uint64_t frame)
{
    m_timeline.At(TrackSecondsOf(frame, m_nWarmUpFrames), m_values);
    m_current = GrainSettingsOfValues(m_values.m_values, m_dVolume);
    return m_current;
}

// The walk's rows hold while the numbers they are made from hold (its place
// among them): the density alone for the clock. The frames are counted short of that time by
// more than the rounding of a frame's time can lengthen it.
std::uint64_t TimelineGrainSettings::WalkSettingsSteadyUntil(std::uint64_t frame, SteadyPart part)
{
    const double seconds = TrackSecondsOf(frame, m_nWarmUpFrames);
    double until = m_timeline.NumberSteadyUntil(ParameterId::Density, seconds);
    if (part == SteadyPart::Walk) {
        for (const ParameterId id :
             {ParameterId::ScanRange, ParameterId::Segment, ParameterId::Position, ParameterId::PositionSpread})
            until = std::min(until, m_timeline.NumberSteadyUntil(id, seconds));
    }
    if (until == INFINITY)
        return std::numeric_limits<std::uint64_t>::max();
    const double frames = std::floor(((until - seconds) * (1.0 - 1e-9) - 1e-9) * kRunSampleRate);
    return frame + (frames >= 1.0 ? static_cast<std::uint64_t>(frames) : 1);
}

// Only the rows the walk and the clock read, by the same formulas.
const GrainSettings& TimelineGrainSettings::WalkSettingsAt(std::uint64_t frame)
{
    const double seconds = TrackSecondsOf(frame, m_nWarmUpFrames);
    ParameterValues& values = m_values.m_values;
    for (const ParameterId id : {ParameterId::ScanRange, ParameterId::Segment, ParameterId::Density,
                                 ParameterId::Position, ParameterId::PositionSpread})
        values.Set(id, m_timeline.NumberAt(id, seconds));
    SetWalkSettings(values, m_walk);
    return m_walk;
}
