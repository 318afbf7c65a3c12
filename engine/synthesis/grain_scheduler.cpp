#include "engine/synthesis/grain_scheduler.h"

#include <algorithm>
#include <cmath>
#include <limits>

#include "engine/stereo_frame.h"

SemitoneRange SemitoneRangeOf(const GrainVariation& variation)
{
    SemitoneRange range{variation.m_dPitch, variation.m_dPitch};
    if (!variation.m_pitchSet.empty()) {
        const auto [lowest, highest] = std::minmax_element(variation.m_pitchSet.begin(), variation.m_pitchSet.end());
        range.m_dLowest += *lowest;
        range.m_dHighest += *highest;
    }
    range.m_dLowest -= variation.m_dPitchSpread * 0.5;
    range.m_dHighest += variation.m_dPitchSpread * 0.5;
    return range;
}

// A grain of n frames read at increment r reads from its first position to
// (n − 1) × |r| frames further; only a transposed grain reads other than n
// frames.
std::uint64_t GrainScheduler::LongestRead(const GrainSettings& settings)
{
    const auto frames = static_cast<std::uint64_t>(std::max(settings.m_nGrainFrames, 0));
    const SemitoneRange range = SemitoneRangeOf(settings.m_variation);
    if (frames == 0 || (range.m_dLowest == 0.0 && range.m_dHighest == 0.0))
        return frames;
    const double increment = GrainVariationDraws::IncrementOf(range.m_dHighest);
    return static_cast<std::uint64_t>(std::ceil(static_cast<double>(frames - 1) * increment)) + 1;
}

void GrainScheduler::Begin(std::uint64_t sourceFrames, std::uint64_t outputFrames)
{
    // The span of start positions that leaves room for the longest read. A
    // source too short for one has none (the run refuses it beforehand); the
    // span is then 0 rather than a wrapped-around unsigned value.
    const std::uint64_t longest = LongestRead(m_settings);
    const std::uint64_t span = sourceFrames > longest ? sourceFrames - longest - 1 : 0;
    m_walk.SetSpan(static_cast<std::uint32_t>(std::min<std::uint64_t>(span, std::numeric_limits<std::uint32_t>::max())));
    m_walk.SetScanFrames(m_settings.m_nScanFrames);
    m_walk.SetSegmentGrains(m_settings.m_nSegmentGrains);
    m_bPlainGrains = m_settings.m_variation.IsPlain();
    m_draws.Begin(m_walk.GetRandomState());
    m_nOutputFrames = outputFrames;
    m_dStep = static_cast<double>(kRunSampleRate) / m_settings.m_nGrainsPerSecond;
    m_next = GrainCursor{};
    m_lastPlaced = GrainCursor{};
}

GrainEvent GrainScheduler::PlaceNext()
{
    const GrainCursor grain = m_next;
    const GrainTraits traits = m_bPlainGrains ? GrainTraits{} : m_draws.Draw(m_settings.m_variation, grain.m_nIndex);
    const GrainEvent event = MakeEvent(m_walk.ChooseGrainPosition(grain.m_nIndex), grain.m_nStart, traits);
    MoveCursor(grain);
    return event;
}

// The next grain starts at trunc(k × step) of the grain k just placed, so
// grains 0 and 1 both start at frame 0. A start at or past the end of the
// output (or one too far for the grain index) completes the render.
void GrainScheduler::MoveCursor(const GrainCursor& placed)
{
    m_lastPlaced = placed;
    const double start = std::trunc(placed.m_nIndex * m_dStep);
    const bool lastIndex = placed.m_nIndex == std::numeric_limits<std::int32_t>::max();
    const bool inside = start >= 0.0 && start < static_cast<double>(m_nOutputFrames) && !lastIndex;
    m_next.m_nIndex = lastIndex ? placed.m_nIndex : placed.m_nIndex + 1;
    m_next.m_nStart = inside ? static_cast<std::uint64_t>(start) : m_nOutputFrames;
}

GrainEvent GrainScheduler::MakeEvent(std::int32_t source, std::uint64_t output, const GrainTraits& traits) const
{
    GrainEvent event;
    event.m_nOutput = output;
    event.m_nSource = source;
    event.m_nFrames = std::max(m_settings.m_nGrainFrames, 0);
    event.m_dFirstRead = source;
    event.m_bPlain = traits.IsPlain() && m_settings.m_variation.m_window == WindowShape::Hann;
    event.m_dGainLeft = m_settings.m_dVolume * traits.m_dGainLeft;
    event.m_dGainRight = m_settings.m_dVolume * traits.m_dGainRight;
    event.m_window = m_settings.m_variation.m_window;
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
