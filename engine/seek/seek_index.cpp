#include "engine/seek/seek_index.h"

#include <algorithm>

#include "engine/seek/cancel_poll.h"
#include "engine/seek/schedule_skip.h"

// As close as kCheckpointFrames, as far apart as the memory bound needs.
std::uint64_t SeekIndex::IntervalFor(const SeekPlan& plan)
{
    const std::uint64_t perCheckpoint = std::max<std::uint64_t>(1, plan.m_layers.size()) * sizeof(ScheduleState);
    const std::uint64_t most = std::max<std::uint64_t>(2, kMostBytes / perCheckpoint);
    const std::uint64_t needed = (plan.m_nRenderFrames + most - 2) / (most - 1);
    return std::max(kCheckpointFrames, needed);
}

bool SeekIndex::Build(const SeekPlan& plan, const std::function<bool()>& keepGoing)
{
    m_checkpoints.clear();
    m_checkpoints.shrink_to_fit();
    m_plan = plan;
    m_nIntervalFrames = IntervalFor(plan);
    const std::uint64_t count = plan.m_nRenderFrames / m_nIntervalFrames + 1;
    std::vector<ScheduleState> checkpoints;
    checkpoints.reserve(count * plan.m_layers.size());
    const std::vector<std::unique_ptr<LayerSchedule>> schedules = MakeSchedules(plan);
    CancelPoll poll(keepGoing);
    for (std::uint64_t c = 0; c < count; ++c) {
        for (const std::unique_ptr<LayerSchedule>& schedule : schedules) {
            GrainScheduler& scheduler = schedule->Scheduler();
            if (!SkipScheduleEndingBefore(scheduler, c * m_nIntervalFrames, poll))
                return false;
            checkpoints.push_back(scheduler.Capture());
        }
    }
    m_checkpoints = std::move(checkpoints);
    return true;
}

std::optional<SeekState> SeekIndex::StateAt(std::uint64_t trackFrame, const std::function<bool()>& keepGoing) const
{
    if (!IsBuilt())
        return std::nullopt;
    const std::uint64_t frame = m_plan.m_nWarmUpFrames + trackFrame;
    const std::size_t layers = m_plan.m_layers.size();
    const std::uint64_t c = std::min<std::uint64_t>(frame / m_nIntervalFrames, GetCheckpointCount() - 1);
    SeekState checkpoint;
    checkpoint.m_nFrame = c * m_nIntervalFrames;
    checkpoint.m_nRenderFrames = m_plan.m_nRenderFrames;
    const auto first = m_checkpoints.begin() + static_cast<std::ptrdiff_t>(c * layers);
    checkpoint.m_layers.assign(first, first + static_cast<std::ptrdiff_t>(layers));
    CancelPoll poll(keepGoing);
    return SeekStateAt(m_plan, frame, poll, &checkpoint);
}
