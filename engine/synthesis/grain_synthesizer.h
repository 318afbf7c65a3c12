// Grain synthesis on plain memory: the grains of a render decided in order by
// the scheduler and added onto the output by the renderer, piece by piece.
#pragma once

#include <cstddef>
#include <cstdint>
#include <optional>
#include <span>
#include <vector>

#include "engine/base/buffer_allocator.h"
#include "engine/source/octave_levels.h"
#include "engine/base/stereo_frame.h"
#include "engine/synthesis/grain_renderer.h"
#include "engine/scheduling/grain_scheduler.h"
#include "engine/synthesis/shaped_window_cache.h"
#include "engine/scheduling/grain_settings.h"
#include "engine/synthesis/synthesis_options.h"

class CancelPoll;

// A render goes:
//
//   Begin(source, outputFrames)           the tables, the grain cursor at grain 0
//   repeat: Place...(...)                 decides grains, in order
//           AddPlacedGrains(window)       adds what the placed grains have inside window
//   End()                                 releases the tables and the threads
//
// Placing and adding may be cut anywhere: the output's bits are those of
// placing and adding every grain one after the other, as long as each output
// frame is handed over (inside a window) after every grain reaching it has
// been placed, or again later. Two ways keep to that:
//  - whole output: every window is the whole output (the desktop program's
//    run, which places up to each progress point and then adds);
//  - windows one after the other, [a, b) then [b, c) ..., each after
//    PlaceGrainsBefore(its end). A grain reaching past a window's end stays
//    pending and adds its next frames into the next window.
// A grain is dropped once a window has reached its last frame; a window that
// begins after a pending grain's next frame loses those frames of that grain.
//
// Nothing here sees a file, a host or a message, and nothing throws for want
// of memory: Begin answers it.
class GrainSynthesizer {
public:
    enum class Start {
        Ready,
        NoWindowMemory,  // the window table could not be allocated
        SourceTooLong,   // read positions are signed 32-bit frame indices
    };

    // Read at Begin; change them between renders only.
    void SetSettings(const GrainSettings& settings) { m_scheduler.SetSettings(settings); }
    const GrainSettings& GetSettings() const { return m_scheduler.GetSettings(); }
    // Settings that change over the render (see GrainScheduler); null: none.
    void SetSettingsSource(GrainSettingsSource* source) { m_scheduler.SetSettingsSource(source); }
    // Gives each grain a gain from the loudness of the stretch it reads (see
    // GrainLevelHold); null: none. Stays in place while set.
    void SetLevelHold(const GrainLevelGain* hold) { m_scheduler.SetLevelHold(hold); }
    void SetOptions(const SynthesisOptions& options) { m_options = options; }
    void SetAllocator(BufferAllocator allocate) { m_allocate = allocate; }

    // The scan walk's generator state, which seeds every random choice of
    // the render at Begin.
    void SetRandomState(std::uint32_t state) { m_scheduler.SetRandomState(state); }
    std::uint32_t GetRandomState() const { return m_scheduler.GetRandomState(); }

    // Begins a render of outputFrames output frames read from source (its
    // octave levels built for the highest transposition the settings ask
    // for, and terms, if not null, their spline coefficients), which must stay
    // in place until End. Draws no random number.
    Start Begin(const OctaveLevels& source, std::uint64_t outputFrames, const SplineTerms* terms = nullptr);
    // The same, from a source with no octave levels.
    Start Begin(std::span<const StereoFrame> source, std::uint64_t outputFrames);
    // Releases the tables and the threads, and drops any pending grain.
    void End();

    // Places the next grains up to and including grain lastIndex, or up to
    // the last that starts inside the output. Answers how many.
    std::size_t PlaceGrainsThrough(std::int32_t lastIndex);
    // Places every grain not yet placed that starts before frame (and inside
    // the output). Answers how many.
    std::size_t PlaceGrainsBefore(std::uint64_t frame);
    bool IsComplete() const { return m_scheduler.IsComplete(); }
    const GrainCursor& NextGrain() const { return m_scheduler.NextGrain(); }
    const GrainCursor& LastPlacedGrain() const { return m_scheduler.LastPlacedGrain(); }

    // Adds, grain by grain in order, what each placed grain has inside window.
    void AddPlacedGrains(const OutputWindow& window);
    // Drops the placed grains that end at or before frame end, adding
    // nothing: a stretch of the output nobody hears (a silent layer, the
    // part of a track before an excerpt).
    void SkipPlacedGrains(std::uint64_t end);
    // Moves the schedule past every grain that ends before frame, deciding
    // only where the walk and the clock go: the fast way to an excerpt.
    // Grains that may reach frame are left to be placed. Answers false when
    // poll says to stop (the render must then begin again).
    bool SkipGrainsEndingBefore(std::uint64_t frame, CancelPoll& poll);
    // Where the schedule stands, and back there (see GrainScheduler).
    ScheduleState CaptureSchedule() const { return m_scheduler.Capture(); }
    void RestoreSchedule(const ScheduleState& state) { m_scheduler.Restore(state); }
    // Grains placed whose last frame no window has reached yet.
    std::size_t PendingGrainCount() const { return m_pending.size(); }

private:
    void PlaceNextGrain();
    void GiveOwnWindow(GrainEvent& grain);
    void DropGrainsEndingBy(std::uint64_t end);

    GrainScheduler m_scheduler;
    GrainRenderer m_renderer;
    SynthesisOptions m_options;
    BufferAllocator m_allocate = SystemAllocate;
    std::optional<OctaveLevels> m_ownLevels;  // for a source given without levels
    const OctaveLevels* m_pLevels = nullptr;  // the render's source
    std::vector<GrainEvent> m_pending;
    ShapedWindowCache m_windows;  // grains' own windows, with settings that change
};
