#include "engine/synthesis/grain_sound_synthesis.h"

#include <algorithm>
#include <limits>

#include "engine/base/progress_points.h"

namespace {

// The last grain of the batch that ends at the next progress point.
std::int32_t NextBatchEnd(std::int32_t nextIndex)
{
    return static_cast<std::int32_t>(std::min<std::uint64_t>(
        NextProgressPoint(static_cast<std::uint64_t>(nextIndex)), std::numeric_limits<std::int32_t>::max()));
}

}  // namespace

GrainSoundSynthesis::GrainSoundSynthesis(GrainSynthesizer& synthesizer, const OctaveLevels& source,
                                         std::uint32_t seed, const SplineTerms* terms)
    : m_synthesizer(synthesizer)
    , m_source(source)
    , m_pTerms(terms)
    , m_nSeed(seed)
{
}

void GrainSoundSynthesis::SetShaping(const ShapingPlan& plan)
{
    m_shaping.reset();
    if (plan.Any())
        m_shaping.emplace(plan);
}

bool GrainSoundSynthesis::Begin(std::uint64_t frames)
{
    if (m_shaping)
        m_shaping->Reset();
    m_synthesizer.SetRandomState(m_nSeed);
    return m_synthesizer.Begin(m_source, frames, m_pTerms) == GrainSynthesizer::Start::Ready;
}

// Every grain that starts before the window's end is placed first, so no
// grain placed later reaches into the window: its frames are final.
void GrainSoundSynthesis::RenderWindow(std::span<StereoFrame> window, std::uint64_t first)
{
    m_synthesizer.PlaceGrainsBefore(first + window.size());
    m_synthesizer.AddPlacedGrains(OutputWindow{window.data(), first, window.size()});
    if (m_shaping)
        m_shaping->Process(window, first);
}

// Nothing between two progress points can stop the synthesis, so a batch is
// placed, then added, then reported, with the same result as grain by grain.
// The batch is added in full before its progress point, so a stop there
// leaves exactly the grains up to that point in the sound.
void GrainSoundSynthesis::RenderWhole(std::span<StereoFrame> sound, const GrainProgress& progress)
{
    const OutputWindow whole{sound.data(), 0, sound.size()};
    while (!m_synthesizer.IsComplete()) {
        m_synthesizer.PlaceGrainsThrough(NextBatchEnd(m_synthesizer.NextGrain().m_nIndex));
        m_synthesizer.AddPlacedGrains(whole);
        const GrainCursor& last = m_synthesizer.LastPlacedGrain();
        if (IsProgressPoint(static_cast<std::uint64_t>(last.m_nIndex)) && !progress(last.m_nIndex, last.m_nStart))
            return;
    }
    // Shaped once every grain is in.
    if (m_shaping)
        m_shaping->Process(sound, 0);
}

void GrainSoundSynthesis::End()
{
    m_synthesizer.End();
}
