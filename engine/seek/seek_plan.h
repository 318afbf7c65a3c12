// What the grain schedules of a score's render are made from, kept apart from
// the render so they can be made again on any thread: to find where a render
// stands at any frame, from the start or from a checkpoint.
#pragma once

#include <cstdint>
#include <memory>
#include <optional>
#include <vector>

#include "engine/automation/parameter_timeline.h"
#include "engine/automation/timeline_grain_settings.h"
#include "engine/seek/seek_state.h"
#include "engine/scheduling/grain_scheduler.h"

class CancelPoll;

// One layer's schedule as its synthesizer begins it.
struct LayerSchedulePlan {
    GrainSettings m_settings;
    // The layer's automation when its settings move (null: they hold).
    // Timelines never change once made, so any number of threads may read one.
    std::shared_ptr<const ParameterTimeline> m_pTimeline;
    double m_dVolume = 0.0;
    std::uint64_t m_nSourceFrames = 0;  // of the stretch of source the layer reads
    std::uint32_t m_nSeed = 0;
};

struct SeekPlan {
    std::vector<LayerSchedulePlan> m_layers;
    std::uint64_t m_nWarmUpFrames = 0;  // the render's frame of the track's 0:00
    std::uint64_t m_nRenderFrames = 0;  // every frame a whole render synthesises
    SeekFingerprint m_fingerprint;
};

// A layer's schedule, begun as its render begins it.
class LayerSchedule {
public:
    LayerSchedule(const LayerSchedulePlan& plan, std::uint64_t renderFrames, std::uint64_t warmUpFrames);
    LayerSchedule(const LayerSchedule&) = delete;
    LayerSchedule& operator=(const LayerSchedule&) = delete;

    GrainScheduler& Scheduler() { return m_scheduler; }

private:
    std::optional<TimelineGrainSettings> m_settings;
    GrainScheduler m_scheduler;
};

// Every layer's schedule of a plan.
std::vector<std::unique_ptr<LayerSchedule>> MakeSchedules(const SeekPlan& plan);

// The state a render of plan needs to start at its frame frame: each layer's
// schedule begun, restored to from (when given: a state of the same plan at
// or before frame) and skipped the rest of the way. None when poll says to
// stop.
std::optional<SeekState> SeekStateAt(const SeekPlan& plan, std::uint64_t frame, CancelPoll& poll,
                                     const SeekState* from = nullptr);
