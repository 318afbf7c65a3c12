// Decides every grain of a render, in order: when it starts (the grain
// clock), where it reads (the scan walk) and how it differs from the others
// (the per-grain random properties), as one GrainEvent each.
#pragma once

#include <cstdint>

#include "engine/scheduling/constant_grain_settings.h"
#include "engine/scheduling/grain_event.h"
#include "engine/scheduling/grain_level_gain.h"
#include "engine/scheduling/grain_settings.h"
#include "engine/scheduling/grain_settings_source.h"
#include "engine/scheduling/grain_variation_draws.h"
#include "engine/scheduling/scan_walk.h"
#include "engine/scheduling/schedule_state.h"

// Grains start at a fixed rate: grains 0 and 1 at output frame 0, grain k
// (k ≥ 1) at trunc((k − 1) × 44100 / grains per second), its place on the
// grain clock; a timing spread makes each grain but the first start later than
// its place by a drawn delay shorter than the gap to the next place. Each reads from the
// position the scan walk chooses for it; a grain that is transposed reads a
// longer or shorter stretch, so the walk's span leaves room for the longest
// read any grain of the render can make.
class GrainScheduler {
public:
    // The settings a render begins with: they decide which grains are plain
    // (their length and volume are the plain kernels'), and hold for every
    // grain unless a source of settings is given.
    void SetSettings(const GrainSettings& settings)
    {
        m_settings = settings;
        m_constant.Set(settings);
    }
    const GrainSettings& GetSettings() const { return m_settings; }
    // Settings that change over the render (null: those of SetSettings for
    // every grain). Each grain takes the settings at its start. Read at Begin.
    void SetSettingsSource(GrainSettingsSource* source) { m_pSource = source; }
    // Where each grain's settings come from.
    GrainSettingsSource& Source()
    {
        if (m_pSource != nullptr)
            return *m_pSource;
        return m_constant;
    }
    const GrainSettingsSource& Source() const
    {
        if (m_pSource != nullptr)
            return *m_pSource;
        return m_constant;
    }

    // Gives each grain a gain from the loudness of the stretch it reads
    // (null: none, every grain at its own level). Stays in place while set.
    void SetLevelHold(const GrainLevelGain* hold) { m_pLevelHold = hold; }
    bool HasLevelHold() const { return m_pLevelHold != nullptr; }

    // The scan walk's generator: the state a run starts from is its seed,
    // and every other stream of the run is seeded from it at Begin.
    void SetRandomState(std::uint32_t state) { m_walk.SetRandomState(state); }
    std::uint32_t GetRandomState() const { return m_walk.GetRandomState(); }

    // Begins the schedule of a render of outputFrames frames from a source of
    // sourceFrames frames: the next grain is grain 0 at frame 0. Draws no
    // random number.
    void Begin(std::uint64_t sourceFrames, std::uint64_t outputFrames);

    // The next grain, decided; the cursor moves on to the one after it.
    GrainEvent PlaceNext();
    // Moves past the next grain as PlaceNext does (the walk and the clock
    // as they would go), without deciding the rest of it.
    void SkipNext();
    // Every grain that starts inside the output has been placed.
    bool IsComplete() const { return m_next.m_nStart >= m_nOutputFrames; }
    const GrainCursor& NextGrain() const { return m_next; }
    // The last grain placed (meaningless before the first).
    const GrainCursor& LastPlacedGrain() const { return m_lastPlaced; }

    // Where the schedule stands: the walk and the clock as the grains
    // decided so far left them. Restore puts a schedule begun with the same
    // settings, source and seed back there.
    ScheduleState Capture() const;
    void Restore(const ScheduleState& state);
    // What a fast skip reads besides that state.
    std::uint64_t GetOutputFrames() const { return m_nOutputFrames; }
    std::uint32_t GetWalkSpan() const { return m_walk.GetSpan(); }

    // The most source frames a grain of these settings reads, from its first
    // to its last read position (plus one).
    static std::uint64_t LongestRead(const GrainSettings& settings);
    static std::uint64_t LongestRead(const GrainBounds& bounds);

private:
    const GrainSettings& SettingsOfNextGrain(bool walkOnly);
    // How late grain starts after its place on the clock.
    std::uint64_t DelayOf(const GrainCursor& grain, const GrainSettings& settings) const;
    GrainEvent MakeEvent(std::int32_t source, std::uint64_t output, const GrainTraits& traits,
                         const GrainSettings& settings) const;
    void MoveCursor(const GrainCursor& placed, const GrainSettings& settings);
    double LevelOf(std::int32_t source, std::int32_t frames, double increment) const;

    GrainSettings m_settings;
    ConstantGrainSettings m_constant;  // m_settings, for every grain
    GrainSettingsSource* m_pSource = nullptr;
    const GrainLevelGain* m_pLevelHold = nullptr;
    ScanWalk m_walk;
    GrainVariationDraws m_draws;

    std::uint64_t m_nOutputFrames = 0;
    // The grain clock: grain k + 1 starts at trunc(m_dAnchor + (k − m_nAnchorIndex) × m_dStep).
    // A render whose density never changes keeps the anchor at 0, 0.
    double m_dStep = 0.0;  // output frames between grain starts
    double m_dAnchor = 0.0;
    std::int32_t m_nAnchorIndex = 0;
    GrainCursor m_next;
    GrainCursor m_lastPlaced;
};
