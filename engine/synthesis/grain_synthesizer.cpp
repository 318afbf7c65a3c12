#include "engine/synthesis/grain_synthesizer.h"

#include <limits>

namespace {

constexpr std::uint64_t kMaxSourceFrames = std::numeric_limits<std::int32_t>::max();

}  // namespace

GrainSynthesizer::Start GrainSynthesizer::Begin(const OctaveLevels& source, std::uint64_t outputFrames,
                                                const SplineTerms* terms)
{
    End();
    const std::uint64_t sourceFrames = source.Level(0).size();
    if (sourceFrames > kMaxSourceFrames)
        return Start::SourceTooLong;
    const GrainSettings& settings = m_scheduler.GetSettings();
    if (m_renderer.Begin(source, outputFrames, settings, m_options, m_allocate, terms) !=
        GrainRenderer::Start::Ready)
        return Start::NoWindowMemory;
    m_scheduler.Begin(sourceFrames, outputFrames);
    m_pLevels = &source;
    return Start::Ready;
}

GrainSynthesizer::Start GrainSynthesizer::Begin(std::span<const StereoFrame> source, std::uint64_t outputFrames)
{
    m_ownLevels.emplace(source);
    return Begin(*m_ownLevels, outputFrames);
}

void GrainSynthesizer::End()
{
    m_renderer.End();
    m_pending.clear();
}

std::size_t GrainSynthesizer::PlaceGrainsThrough(std::int32_t lastIndex)
{
    std::size_t count = 0;
    for (; !IsComplete() && NextGrain().m_nIndex <= lastIndex; ++count)
        PlaceNextGrain();
    return count;
}

std::size_t GrainSynthesizer::PlaceGrainsBefore(std::uint64_t frame)
{
    std::size_t count = 0;
    for (; !IsComplete() && NextGrain().m_nStart < frame; ++count)
        PlaceNextGrain();
    return count;
}

void GrainSynthesizer::PlaceNextGrain()
{
    GrainEvent grain = m_scheduler.PlaceNext();
    if (!grain.m_bPlain)
        ChooseLevel(grain, *m_pLevels);
    m_pending.push_back(grain);
}

void GrainSynthesizer::AddPlacedGrains(const OutputWindow& window)
{
    m_renderer.Add(m_pending, window);
    DropFinishedGrains(window);
}

// Keeps, in order, the grains with frames past the window's end.
void GrainSynthesizer::DropFinishedGrains(const OutputWindow& window)
{
    const std::uint64_t end = window.End();
    std::erase_if(m_pending,
                  [&](const GrainEvent& grain) { return m_renderer.CoveredFrames(grain).m_nEnd <= end; });
}
