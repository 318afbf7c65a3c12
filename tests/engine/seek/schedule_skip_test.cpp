// The fast skip leaves a schedule exactly where skipping its grains one by one
// leaves it: the generator, both candidates, the segment and the clock, for
// fixed settings, for settings that change in stretches, for segments too
// short to hop, and for skips of any length; and it stops when told to.
#include <gtest/gtest.h>

#include <algorithm>
#include <functional>
#include <vector>

#include "engine/seek/cancel_poll.h"
#include "engine/seek/lcg_jump.h"
#include "engine/seek/schedule_skip.h"
#include "engine/scheduling/grain_scheduler.h"
#include "engine/random/random_generator.h"

namespace {

constexpr std::uint64_t kSourceFrames = 400000;

GrainSettings Settings(std::int32_t grainsPerSecond, std::int32_t scanFrames, std::int32_t segmentGrains)
{
    GrainSettings settings;
    settings.m_nGrainsPerSecond = grainsPerSecond;
    settings.m_nGrainFrames = 2205;
    settings.m_nScanFrames = scanFrames;
    settings.m_nSegmentGrains = segmentGrains;
    settings.m_dVolume = 0.5;
    return settings;
}

// Settings that change at fixed frames; honest: says how long they hold.
class SteppedSettings final : public GrainSettingsSource {
public:
    SteppedSettings(std::vector<std::pair<std::uint64_t, GrainSettings>> steps, bool honest)
        : m_steps(std::move(steps)), m_bHonest(honest)
    {
    }
    const GrainSettings& SettingsAt(std::uint64_t frame) override { return m_steps[IndexAt(frame)].second; }
    std::uint64_t WalkSettingsSteadyUntil(std::uint64_t frame, SteadyPart) override
    {
        const std::size_t index = IndexAt(frame);
        if (!m_bHonest)
            return frame + 1;
        return index + 1 < m_steps.size() ? m_steps[index + 1].first : ~std::uint64_t{0};
    }
    GrainBounds Bounds() const override { return {2205, 0.0, 0.0}; }

private:
    std::size_t IndexAt(std::uint64_t frame) const
    {
        std::size_t index = 0;
        while (index + 1 < m_steps.size() && m_steps[index + 1].first <= frame)
            ++index;
        return index;
    }

    std::vector<std::pair<std::uint64_t, GrainSettings>> m_steps;
    bool m_bHonest;
};

struct Schedule {
    GrainSettings m_settings;
    GrainSettingsSource* m_pSource = nullptr;
    std::uint32_t m_nSeed = 11;
    std::uint64_t m_nOutputFrames = 44100 * 90;
};

void Begin(GrainScheduler& scheduler, const Schedule& schedule)
{
    scheduler.SetSettings(schedule.m_settings);
    scheduler.SetSettingsSource(schedule.m_pSource);
    scheduler.SetRandomState(schedule.m_nSeed);
    scheduler.Begin(kSourceFrames, schedule.m_nOutputFrames);
}

// Where skipping grain by grain stands at each of limits (in increasing order).
std::vector<ScheduleState> SlowSkips(const Schedule& schedule, const std::vector<std::uint64_t>& limits)
{
    GrainScheduler scheduler;
    Begin(scheduler, schedule);
    std::vector<ScheduleState> states;
    for (const std::uint64_t limit : limits) {
        while (!scheduler.IsComplete() && scheduler.NextGrain().m_nStart < limit)
            scheduler.SkipNext();
        states.push_back(scheduler.Capture());
    }
    return states;
}

ScheduleState FastSkip(const Schedule& schedule, std::uint64_t limit)
{
    GrainScheduler scheduler;
    Begin(scheduler, schedule);
    CancelPoll poll;
    EXPECT_TRUE(SkipScheduleBefore(scheduler, limit, poll));
    return scheduler.Capture();
}

// Limits from the first frames to many segments on, some of them right at a
// grain's start, and past the end.
std::vector<std::uint64_t> Limits(std::uint64_t outputFrames)
{
    std::vector<std::uint64_t> limits{0, 1, 11, 12, 1000, 44100, 100003, 1234567};
    limits.push_back(outputFrames - 1);
    limits.push_back(outputFrames + 5);
    return limits;
}

void ExpectFastSkipsLikeSlow(const Schedule& schedule)
{
    const std::vector<std::uint64_t> limits = Limits(schedule.m_nOutputFrames);
    const std::vector<ScheduleState> slow = SlowSkips(schedule, limits);
    for (std::size_t i = 0; i < limits.size(); ++i) {
        const ScheduleState fast = FastSkip(schedule, limits[i]);
        EXPECT_EQ(fast.m_walk, slow[i].m_walk) << "skip to " << limits[i] << ": grain " << slow[i].m_clock.m_next.m_nIndex;
        EXPECT_EQ(fast.m_clock, slow[i].m_clock) << "skip to " << limits[i];
    }
}

}  // namespace

TEST(LcgJump, EqualsDrawingOneByOne)
{
    RandomGenerator generator;
    generator.SetState(2024);
    for (std::uint64_t n = 0; n < 300; ++n) {
        ASSERT_EQ(LcgJump::Draws(n).Apply(2024), generator.GetState()) << n;
        generator.Draw();
    }
    RandomGenerator far;
    far.SetState(5);
    for (int i = 0; i < 1000003; ++i)
        far.Draw();
    EXPECT_EQ(LcgJump::Draws(1000003).Apply(5), far.GetState());
    EXPECT_EQ(LcgJump::Draws(300).Then(LcgJump::Draws(700)), LcgJump::Draws(1000));
}

TEST(ScheduleSkip, FixedSettingsArriveWhereGrainByGrainDoes)
{
    for (const std::int32_t density : {500, 4000, 10000}) {
        for (const std::uint32_t seed : {1u, 11u, 0xDEADBEEFu}) {
            Schedule schedule;
            schedule.m_settings = Settings(density, 133, 6 * density);
            schedule.m_nSeed = seed;
            ExpectFastSkipsLikeSlow(schedule);
        }
    }
}

// Segments of under two grains have no middle: the walk goes grain by grain
// there, and B is drawn afresh only at grain 0.
TEST(ScheduleSkip, ShortSegmentsArriveWhereGrainByGrainDoes)
{
    for (const std::int32_t segmentGrains : {1, 2, 3, 5, 40}) {
        Schedule schedule;
        schedule.m_settings = Settings(4000, 300, segmentGrains);
        schedule.m_nOutputFrames = 44100 * 30;
        ExpectFastSkipsLikeSlow(schedule);
    }
}

// The density turns in the middle of segments, and with it the clock's
// anchor; a source that cannot vouch for its settings is asked grain by grain.
TEST(ScheduleSkip, SettingsInStretchesArriveWhereGrainByGrainDoes)
{
    const std::vector<std::pair<std::uint64_t, GrainSettings>> steps{
        {0, Settings(4000, 133, 8000)},
        {441000, Settings(9950, 60, 30000)},
        {441001, Settings(600, 500, 600)},
        {2000000, Settings(4000, 133, 24000)},
        {2000003, Settings(4000, 140, 24000)},
        {6000000, Settings(10000, 500, 10000)},
    };
    for (const bool honest : {true, false}) {
        SteppedSettings source(steps, honest);
        Schedule schedule;
        schedule.m_settings = steps.front().second;
        schedule.m_pSource = &source;
        schedule.m_nOutputFrames = 44100 * 160;
        ExpectFastSkipsLikeSlow(schedule);
    }
}

// Skipping in several steps arrives where one skip does, and the grains
// decided afterwards are the same.
TEST(ScheduleSkip, SkipsInStepsThenPlacesTheSameGrains)
{
    Schedule schedule;
    schedule.m_settings = Settings(10000, 77, 60000);
    GrainScheduler stepped;
    Begin(stepped, schedule);
    CancelPoll poll;
    for (const std::uint64_t limit : {44100u, 1000000u, 1000001u, 3000000u})
        ASSERT_TRUE(SkipScheduleBefore(stepped, limit, poll));
    GrainScheduler slow;
    Begin(slow, schedule);
    while (slow.NextGrain().m_nStart < 3000000u)
        slow.SkipNext();
    for (int i = 0; i < 100000; ++i) {
        const GrainEvent a = stepped.PlaceNext();
        const GrainEvent b = slow.PlaceNext();
        ASSERT_EQ(a.m_nSource, b.m_nSource) << i;
        ASSERT_EQ(a.m_nOutput, b.m_nOutput) << i;
    }
}

TEST(ScheduleSkip, StopsWhenTold)
{
    Schedule schedule;
    schedule.m_settings = Settings(4000, 133, 1);  // grain by grain: slow enough to be stopped
    schedule.m_nOutputFrames = 44100 * 3600;
    GrainScheduler scheduler;
    Begin(scheduler, schedule);
    int asked = 0;
    CancelPoll poll([&] { return ++asked < 3; }, std::chrono::milliseconds(1));
    EXPECT_FALSE(SkipScheduleBefore(scheduler, schedule.m_nOutputFrames, poll));
    EXPECT_EQ(asked, 3);
    EXPECT_LT(scheduler.NextGrain().m_nStart, schedule.m_nOutputFrames);
}
