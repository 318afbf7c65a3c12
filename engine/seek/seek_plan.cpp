#include "engine/seek/seek_plan.h"

#include "engine/seek/cancel_poll.h"
#include "engine/seek/schedule_skip.h"

LayerSchedule::LayerSchedule(const LayerSchedulePlan& plan, std::uint64_t renderFrames, std::uint64_t warmUpFrames)
{
    m_scheduler.SetSettings(plan.m_settings);
    if (plan.m_pTimeline) {
        m_settings.emplace(*plan.m_pTimeline, plan.m_dVolume, warmUpFrames);
        m_scheduler.SetSettingsSource(&*m_settings);
    }
    m_scheduler.SetRandomState(plan.m_nSeed);
    m_scheduler.Begin(plan.m_nSourceFrames, renderFrames);
}

std::vector<std::unique_ptr<LayerSchedule>> MakeSchedules(const SeekPlan& plan)
{
    std::vector<std::unique_ptr<LayerSchedule>> schedules;
    for (const LayerSchedulePlan& layer : plan.m_layers)
        schedules.push_back(std::make_unique<LayerSchedule>(layer, plan.m_nRenderFrames, plan.m_nWarmUpFrames));
    return schedules;
}

std::optional<SeekState> SeekStateAt(const SeekPlan& plan, std::uint64_t frame, CancelPoll& poll,
                                     const SeekState* from)
{
    const std::vector<std::unique_ptr<LayerSchedule>> schedules = MakeSchedules(plan);
    SeekState state;
    state.m_nFrame = frame;
    state.m_nRenderFrames = plan.m_nRenderFrames;
    for (std::size_t i = 0; i < schedules.size(); ++i) {
        GrainScheduler& scheduler = schedules[i]->Scheduler();
        if (from != nullptr)
            scheduler.Restore(from->m_layers[i]);
        if (!SkipScheduleEndingBefore(scheduler, frame, poll))
            return std::nullopt;
        state.m_layers.push_back(scheduler.Capture());
    }
    return state;
}
