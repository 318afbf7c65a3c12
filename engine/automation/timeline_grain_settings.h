// The grain settings of one layer of a score at each grain's start, read from
// the layer's timeline.
#pragma once

#include <cstdint>

#include "engine/automation/parameter_timeline.h"
#include "engine/scheduling/grain_settings_source.h"

// Frame f of the render is second (f − warmUp) / 44100 of the track: a loop's
// warm-up comes before the track's first second.
class TimelineGrainSettings final : public GrainSettingsSource {
public:
    // volume: every grain's gain, as a plain run's.
    TimelineGrainSettings(const ParameterTimeline& timeline, double volume, std::uint64_t warmUpFrames);

    // The read span leaves room for frames (the longest read along the
    // timeline's path) rather than for the bounds' extremes together.
    void SetLongestRead(std::uint64_t frames) { m_bounds.m_nLongestRead = frames; }

    const GrainSettings& SettingsAt(std::uint64_t frame) override;
    const GrainSettings& WalkSettingsAt(std::uint64_t frame) override;
    std::uint64_t WalkSettingsSteadyUntil(std::uint64_t frame, SteadyPart part) override;
    GrainBounds Bounds() const override { return m_bounds; }

private:
    const ParameterTimeline& m_timeline;
    double m_dVolume;
    std::uint64_t m_nWarmUpFrames;
    GrainBounds m_bounds;
    LayerValues m_values;  // at the last grain's start
    GrainSettings m_current;
    GrainSettings m_walk;  // the walk's part of them, when grains are skipped
};

// The extremes of every grain a layer's timeline can ask for: the one
// measure of how far a layer's grains reach, for the plain run too.
GrainBounds BoundsOfTimeline(const ParameterTimeline& timeline);
// The most source frames a grain of the layer reads, following its timeline
// over the track: at each short stretch of it, the longest grain of that
// stretch read at its highest pitch. At least what any grain reads, and
// often less than the longest grain of the track at its highest pitch,
// which may never come together.
std::uint64_t LongestReadAlong(const ParameterTimeline& timeline);
// The time in the track of frame of the render.
double TrackSecondsOf(std::uint64_t frame, std::uint64_t warmUpFrames);
