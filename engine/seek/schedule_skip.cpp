#include "engine/seek/schedule_skip.h"

#include <algorithm>
#include <cmath>
#include <limits>
#include <optional>

#include "engine/seek/cancel_poll.h"
#include "engine/seek/walk_run.h"
#include "engine/scheduling/grain_scheduler.h"

namespace {

constexpr std::int64_t kLastIndex = std::numeric_limits<std::int32_t>::max();

// Where the clock puts grain j (≥ 1) while the density stays the one it
// holds, as GrainScheduler's clock computes it: anchor + (j − 1 − anchor
// index) × step, before truncation.
double UnroundedStart(const ClockState& clock, std::int64_t j)
{
    const auto grainsFromAnchor = static_cast<std::int32_t>(j - 1) - clock.m_nAnchorIndex;
    return clock.m_dAnchor + grainsFromAnchor * clock.m_dStep;
}

std::uint64_t StartOf(const ClockState& clock, std::int64_t j)
{
    return static_cast<std::uint64_t>(std::trunc(UnroundedStart(clock, j)));
}

// The last grain from the clock's next one on that starts before stop, the
// next one itself starting before stop. The starts never decrease.
std::int64_t LastGrainBefore(const ClockState& clock, std::uint64_t stop)
{
    const std::int64_t first = clock.m_next.m_nIndex;
    const double end = static_cast<double>(stop);
    const double steps = std::floor((end - clock.m_dAnchor) / clock.m_dStep);
    const double guess = std::clamp(clock.m_nAnchorIndex + 1.0 + steps, static_cast<double>(first),
                                    static_cast<double>(kLastIndex));
    auto j = static_cast<std::int64_t>(guess);
    while (j > first && UnroundedStart(clock, j) >= end)
        --j;
    while (j < kLastIndex && UnroundedStart(clock, j + 1) < end)
        ++j;
    return j;
}

class ScheduleSkipper {
public:
    ScheduleSkipper(GrainScheduler& scheduler, std::uint64_t limit, CancelPoll& poll)
        : m_scheduler(scheduler), m_nLimit(limit), m_poll(poll)
    {
    }

    bool Run()
    {
        const ScheduleState start = m_scheduler.Capture();
        if (!Pass(false))
            return false;
        ScheduleState from = start;
        if (m_lastA && m_lastB)
            from = m_lastA->m_clock.m_next.m_nIndex < m_lastB->m_clock.m_next.m_nIndex ? *m_lastA : *m_lastB;
        m_scheduler.Restore(from);
        return Pass(true);
    }

private:
    // Every grain before the limit, stretch by stretch. Without positions,
    // the candidates' values are left as they fall.
    bool Pass(bool positions)
    {
        while (!m_scheduler.IsComplete() && m_scheduler.NextGrain().m_nStart < m_nLimit) {
            if (m_poll.Cancelled())
                return false;
            const std::uint64_t start = m_scheduler.NextGrain().m_nStart;
            GrainSettingsSource& source = m_scheduler.Source();
            WalkRunShape shape = WalkRunShapeOf(m_scheduler.GetWalkSpan(), m_scheduler.GetSettings());
            // Runs hopped over read the density alone; runs walked read the
            // scan step and the walk's reach too.
            using Part = GrainSettingsSource::SteadyPart;
            const std::uint64_t steadyEnd =
                source.WalkSettingsSteadyUntil(start, positions ? Part::Walk : Part::Clock);
            if (positions)
                shape = WalkRunShapeOf(m_scheduler.GetWalkSpan(), source.WalkSettingsAt(start));
            // The clock turns to the stretch's density at its first grain.
            OneGrain(positions);
            const std::uint64_t stop = std::min({m_nLimit, steadyEnd, m_scheduler.GetOutputFrames()});
            if (!Forward(stop, shape, positions))
                return false;
        }
        return true;
    }

    // The grains from the next one that start before stop, which share the
    // clock's density and the scan step of shape. All but the last go by
    // runs; the last is decided by the scheduler, whose clock then finds the
    // grain after it.
    bool Forward(std::uint64_t stop, const WalkRunShape& shape, bool positions)
    {
        if (m_scheduler.IsComplete() || m_scheduler.NextGrain().m_nStart >= stop)
            return true;
        ScheduleState state = m_scheduler.Capture();
        const std::int64_t first = state.m_clock.m_next.m_nIndex;
        const std::int64_t last = LastGrainBefore(state.m_clock, stop);
        std::int64_t next = first;
        while (next < last) {
            if (m_poll.Cancelled()) {
                PutClockAt(state, next);
                return false;
            }
            const std::int64_t free = GrainsBeforeFreshDraw(state.m_walk);
            if (free == 0) {
                PutClockAt(state, next);
                OneGrain(positions);
                state = m_scheduler.Capture();
                ++next;
                continue;
            }
            const std::int64_t grains = std::min(free, last - next);
            if (positions)
                WalkRun(state.m_walk, grains, shape);
            else
                HopRun(state.m_walk, grains);
            next += grains;
        }
        PutClockAt(state, next);
        OneGrain(positions);
        return true;
    }

    // The scheduler at grain next with state's walk, its clock moved on by
    // the formula that holds inside a stretch.
    void PutClockAt(ScheduleState& state, std::int64_t next)
    {
        ClockState& clock = state.m_clock;
        if (next != clock.m_next.m_nIndex) {
            clock.m_lastPlaced = GrainCursor{static_cast<std::int32_t>(next - 1), StartOf(clock, next - 1)};
            clock.m_next = GrainCursor{static_cast<std::int32_t>(next), StartOf(clock, next)};
        }
        m_scheduler.Restore(state);
    }

    // One grain as the scheduler skips it; the first pass notes where each
    // candidate was last drawn afresh.
    void OneGrain(bool positions)
    {
        if (!positions) {
            const ScheduleState before = m_scheduler.Capture();
            const FreshDraw fresh = FreshDrawOfNextGrain(before.m_walk, before.m_clock.m_next.m_nIndex);
            if (fresh == FreshDraw::A || fresh == FreshDraw::Both)
                m_lastA = before;
            if (fresh == FreshDraw::B || fresh == FreshDraw::Both)
                m_lastB = before;
        }
        m_scheduler.SkipNext();
    }

    GrainScheduler& m_scheduler;
    std::uint64_t m_nLimit;
    CancelPoll& m_poll;
    // The schedule before the last grains that drew A and B afresh.
    std::optional<ScheduleState> m_lastA;
    std::optional<ScheduleState> m_lastB;
};

}  // namespace

bool SkipScheduleBefore(GrainScheduler& scheduler, std::uint64_t limit, CancelPoll& poll)
{
    return ScheduleSkipper(scheduler, limit, poll).Run();
}

std::uint64_t GrainReach(const GrainScheduler& scheduler)
{
    const GrainBounds bounds = scheduler.Source().Bounds();
    return static_cast<std::uint64_t>(std::max(bounds.m_nLongestGrainFrames, 0)) +
           static_cast<std::uint64_t>(std::max(bounds.m_nLatestStartFrames, 0));
}

bool SkipScheduleEndingBefore(GrainScheduler& scheduler, std::uint64_t frame, CancelPoll& poll)
{
    const std::uint64_t reach = GrainReach(scheduler);
    return SkipScheduleBefore(scheduler, frame > reach ? frame - reach : 0, poll);
}
