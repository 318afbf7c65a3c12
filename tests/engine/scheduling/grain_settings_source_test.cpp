// Grains whose settings change over a render: each takes the settings at its
// start, the clock turns to a new density where it stands, and settings that
// never change decide the same grains as fixed ones.
#include <gtest/gtest.h>

#include <functional>
#include <vector>

#include "engine/scheduling/grain_scheduler.h"

namespace {

constexpr std::uint64_t kSourceFrames = 200000;

GrainSettings Settings(std::int32_t grainsPerSecond, std::int32_t grainFrames = 3307)
{
    GrainSettings settings;
    settings.m_nGrainsPerSecond = grainsPerSecond;
    settings.m_nGrainFrames = grainFrames;
    settings.m_nScanFrames = 133;
    settings.m_nSegmentGrains = 2000;
    settings.m_dVolume = 0.5;
    return settings;
}

// Settings by output frame, with bounds wide enough for all of them.
class FunctionSettings final : public GrainSettingsSource {
public:
    FunctionSettings(std::function<GrainSettings(std::uint64_t)> at, GrainBounds bounds)
        : m_at(std::move(at)), m_bounds(bounds)
    {
    }
    const GrainSettings& SettingsAt(std::uint64_t frame) override
    {
        m_current = m_at(frame);
        return m_current;
    }
    GrainBounds Bounds() const override { return m_bounds; }

private:
    std::function<GrainSettings(std::uint64_t)> m_at;
    GrainBounds m_bounds;
    GrainSettings m_current;
};

std::vector<GrainEvent> Schedule(const GrainSettings& settings, GrainSettingsSource* source,
                                 std::uint64_t outputFrames = 88200)
{
    GrainScheduler scheduler;
    scheduler.SetSettings(settings);
    scheduler.SetSettingsSource(source);
    scheduler.SetRandomState(7);
    scheduler.Begin(kSourceFrames, outputFrames);
    std::vector<GrainEvent> events;
    while (!scheduler.IsComplete())
        events.push_back(scheduler.PlaceNext());
    return events;
}

void ExpectSameEvents(const std::vector<GrainEvent>& a, const std::vector<GrainEvent>& b)
{
    ASSERT_EQ(a.size(), b.size());
    for (std::size_t k = 0; k < a.size(); ++k) {
        EXPECT_EQ(a[k].m_nOutput, b[k].m_nOutput) << k;
        EXPECT_EQ(a[k].m_nSource, b[k].m_nSource) << k;
        EXPECT_EQ(a[k].m_bPlain, b[k].m_bPlain) << k;
    }
}

}  // namespace

// A source answering the fixed settings at every frame decides every grain as
// the fixed settings do: same starts (the clock never re-anchors), same
// positions, all plain.
TEST(GrainSettingsSource, SettingsThatNeverChangeDecideTheSameGrains)
{
    const GrainSettings fixed = Settings(3000);
    FunctionSettings source([&](std::uint64_t) { return fixed; }, GrainBounds{3307, 0.0, 0.0});
    ExpectSameEvents(Schedule(fixed, nullptr), Schedule(fixed, &source));
}

// Halfway the density doubles: grains before keep the old spacing, grains
// after the new one, and starts never go back.
TEST(GrainSettingsSource, TheClockTurnsToANewDensityWhereItStands)
{
    constexpr std::uint64_t kTurn = 44100;
    FunctionSettings source([](std::uint64_t frame) { return Settings(frame < kTurn ? 1000 : 2000); },
                            GrainBounds{3307, 0.0, 0.0});
    const std::vector<GrainEvent> events = Schedule(Settings(1000), &source);
    // 1000 grains a second for the first second, then 2000 for the next: about 3000 (±2 at the turn).
    EXPECT_NEAR(static_cast<double>(events.size()), 3001.0, 2.0);
    for (std::size_t k = 2; k < events.size(); ++k) {
        ASSERT_GE(events[k].m_nOutput, events[k - 1].m_nOutput) << k;
        const std::uint64_t gap = events[k].m_nOutput - events[k - 1].m_nOutput;
        // The steps are 44.1 and 22.05 frames, truncated: 44 or 45 before, 22 or 23 after.
        if (events[k - 1].m_nOutput >= kTurn) {
            EXPECT_TRUE(gap == 22 || gap == 23) << k << ": " << gap;
        } else if (events[k].m_nOutput < kTurn) {
            EXPECT_TRUE(gap == 44 || gap == 45) << k << ": " << gap;
        }
    }
}

// A grain longer than the settings' own goes through the general path with
// its own length; the walk leaves room for the longest the bounds allow.
TEST(GrainSettingsSource, GrainsOfAnotherLengthAreNotPlainAndStayInsideTheSource)
{
    constexpr std::int32_t kLongest = 8820;
    FunctionSettings source([](std::uint64_t frame) { return Settings(1000, frame < 44100 ? 3307 : kLongest); },
                            GrainBounds{kLongest, 0.0, 0.0});
    const std::vector<GrainEvent> events = Schedule(Settings(1000), &source, 88200);
    for (const GrainEvent& grain : events) {
        const bool ownLength = grain.m_nFrames == 3307;
        EXPECT_EQ(grain.m_bPlain, ownLength);
        EXPECT_LE(static_cast<std::uint64_t>(grain.m_nSource) + static_cast<std::uint64_t>(grain.m_nFrames),
                  kSourceFrames);
    }
    EXPECT_EQ(events.back().m_nFrames, kLongest);
}
