#include "engine/scheduling/grain_scheduler.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/base/stereo_frame.h"

namespace {

// A grain of n frames read at increment r reads from its first position to
// (n − 1) × |r| frames further; only a transposed grain reads other than n
// frames.
std::uint64_t LongestReadOf(std::int32_t grainFrames, double lowestSemitones, double highestSemitones)
{
    const auto frames = static_cast<std::uint64_t>(std::max(grainFrames, 0));
    if (frames == 0 || (lowestSemitones == 0.0 && highestSemitones == 0.0))
        return frames;
    const double increment = GrainVariationDraws::IncrementOf(highestSemitones);
    return static_cast<std::uint64_t>(std::ceil(static_cast<double>(frames - 1) * increment)) + 1;
}

}  // namespace

std::uint64_t GrainScheduler::LongestRead(const GrainSettings& settings)
{
    return LongestRead(BoundsOfSettings(settings));
}

std::uint64_t GrainScheduler::LongestRead(const GrainBounds& bounds)
{
    if (bounds.m_nLongestRead > 0)
        return bounds.m_nLongestRead;
    return LongestReadOf(bounds.m_nLongestGrainFrames, bounds.m_dLowestSemitones, bounds.m_dHighestSemitones);
}

void GrainScheduler::Begin(std::uint64_t sourceFrames, std::uint64_t outputFrames)
{
    // The span of start positions that leaves room for the longest read. A
    // source too short for one has none (the run refuses it beforehand); the
    // span is then 0 rather than a wrapped-around unsigned value.
    const std::uint64_t longest = LongestRead(Source().Bounds());
    const std::uint64_t span = sourceFrames > longest ? sourceFrames - longest - 1 : 0;
    m_walk.SetSpan(static_cast<std::uint32_t>(std::min<std::uint64_t>(span, std::numeric_limits<std::uint32_t>::max())));
    m_walk.SetScanFrames(m_settings.m_nScanFrames);
    m_walk.SetSegmentGrains(m_settings.m_nSegmentGrains);
    m_walk.SetPlace(m_settings.m_dPosition, m_settings.m_dPositionSpread);
    m_draws.Begin(m_walk.GetRandomState());
    m_nOutputFrames = outputFrames;
    m_dStep = static_cast<double>(kRunSampleRate) / m_settings.m_nGrainsPerSecond;
    m_dAnchor = 0.0;
    m_nAnchorIndex = 0;
    m_next = GrainCursor{};
    m_lastPlaced = GrainCursor{};
}

ScheduleState GrainScheduler::Capture() const
{
    ScheduleState state;
    state.m_walk = m_walk.GetState();
    state.m_clock = ClockState{m_dStep, m_dAnchor, m_nAnchorIndex, m_next, m_lastPlaced};
    return state;
}

void GrainScheduler::Restore(const ScheduleState& state)
{
    m_walk.SetState(state.m_walk);
    m_dStep = state.m_clock.m_dStep;
    m_dAnchor = state.m_clock.m_dAnchor;
    m_nAnchorIndex = state.m_clock.m_nAnchorIndex;
    m_next = state.m_clock.m_next;
    m_lastPlaced = state.m_clock.m_lastPlaced;
}

// The walk's step, segment and place follow the grain's settings.
const GrainSettings& GrainScheduler::SettingsOfNextGrain(bool walkOnly)
{
    GrainSettingsSource& source = Source();
    const GrainSettings& settings =
        walkOnly ? source.WalkSettingsAt(m_next.m_nStart) : source.SettingsAt(m_next.m_nStart);
    m_walk.SetScanFrames(settings.m_nScanFrames);
    m_walk.SetSegmentGrains(settings.m_nSegmentGrains);
    m_walk.SetPlace(settings.m_dPosition, settings.m_dPositionSpread);
    return settings;
}

GrainEvent GrainScheduler::PlaceNext()
{
    const GrainCursor grain = m_next;
    const GrainSettings& settings = SettingsOfNextGrain(false);
    const GrainTraits traits =
        settings.m_variation.IsPlain() ? GrainTraits{} : m_draws.Draw(settings.m_variation, grain.m_nIndex);
    const GrainEvent event =
        MakeEvent(m_walk.ChooseGrainPosition(grain.m_nIndex), grain.m_nStart + DelayOf(grain, settings), traits, settings);
    MoveCursor(grain, settings);
    return event;
}

// A grain's delay is less than the gap to the next grain's place, so the
// grains start in order; it only ever moves a grain later, so every grain
// that can reach into a stretch of the output has its place before that
// stretch ends.
std::uint64_t GrainScheduler::DelayOf(const GrainCursor& grain, const GrainSettings& settings) const
{
    const double spread = settings.m_variation.m_dTimingSpread;
    if (!(spread > 0.0))
        return 0;
    const double step = static_cast<double>(kRunSampleRate) / settings.m_nGrainsPerSecond;
    return m_draws.DelayOf(spread, step, grain.m_nIndex);
}

// The per-grain draws are addressed by the grain's index, so nothing else
// of a skipped grain needs deciding.
void GrainScheduler::SkipNext()
{
    const GrainCursor grain = m_next;
    const GrainSettings& settings = SettingsOfNextGrain(true);
    m_walk.ChooseGrainPosition(grain.m_nIndex);
    MoveCursor(grain, settings);
}

// The next grain starts on the clock of the grain just placed. When its
// density differs from the clock's, the clock turns to the new step from the
// start it gave this grain's successor under the old one, so the starts stay
// in order and a density that never changes keeps trunc(k × step) exactly.
// Grains 0 and 1 both start at frame 0, whatever the step. A start at or past
// the end of the output (or one too far for the grain index) completes the
// render.
void GrainScheduler::MoveCursor(const GrainCursor& placed, const GrainSettings& settings)
{
    m_lastPlaced = placed;
    const std::int32_t k = placed.m_nIndex;
    const double step = static_cast<double>(kRunSampleRate) / settings.m_nGrainsPerSecond;
    if (step != m_dStep) {
        if (k >= 1) {
            m_dAnchor += (k - 1 - m_nAnchorIndex) * m_dStep;
            m_nAnchorIndex = k - 1;
        }
        m_dStep = step;
    }
    const double start = std::trunc(m_dAnchor + (k - m_nAnchorIndex) * m_dStep);
    const bool lastIndex = k == std::numeric_limits<std::int32_t>::max();
    const bool inside = start >= 0.0 && start < static_cast<double>(m_nOutputFrames) && !lastIndex;
    m_next.m_nIndex = lastIndex ? k : k + 1;
    m_next.m_nStart = inside ? static_cast<std::uint64_t>(start) : m_nOutputFrames;
}

// A grain is plain when nothing sets it apart from the run's own grains: no
// drawn property, no gain from the level hold, the Hann window, and the length
// and volume of the settings the plain kernels' weights were made for.
GrainEvent GrainScheduler::MakeEvent(std::int32_t source, std::uint64_t output, const GrainTraits& traits,
                                     const GrainSettings& settings) const
{
    GrainEvent event;
    event.m_nOutput = output;
    event.m_nSource = source;
    event.m_nFrames = std::max(settings.m_nGrainFrames, 0);
    event.m_dFirstRead = source;
    const double level = m_pLevelHold != nullptr
                             ? LevelOf(source, event.m_nFrames, GrainVariationDraws::IncrementOf(traits.m_dSemitones))
                             : 1.0;
    event.m_bPlain = traits.IsPlain() && level == 1.0 && settings.m_variation.m_window == WindowShape::Hann &&
                     settings.m_nGrainFrames == m_settings.m_nGrainFrames && settings.m_dVolume == m_settings.m_dVolume;
    event.m_dGainLeft = settings.m_dVolume * traits.m_dGainLeft;
    event.m_dGainRight = settings.m_dVolume * traits.m_dGainRight;
    if (level != 1.0) {
        event.m_dGainLeft *= level;
        event.m_dGainRight *= level;
    }
    event.m_window = settings.m_variation.m_window;
    if (event.m_bPlain)
        return event;
    const double increment = GrainVariationDraws::IncrementOf(traits.m_dSemitones);
    if (traits.m_bReversed) {
        event.m_dFirstRead = source + std::max(event.m_nFrames - 1, 0) * increment;
        event.m_dIncrement = -increment;
    } else {
        event.m_dIncrement = increment;
    }
    return event;
}

// The level hold's gain (there must be one) for a grain of frames output
// frames that reads from source on, increment source frames a frame: the
// stretch from its first to its last read position, whichever way it is read.
double GrainScheduler::LevelOf(std::int32_t source, std::int32_t frames, double increment) const
{
    if (frames <= 0)
        return 1.0;
    const double read = static_cast<double>(frames - 1) * increment + 1.0;
    return m_pLevelHold->GainOf(static_cast<double>(source), read);
}
