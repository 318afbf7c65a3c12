#include "engine/synthesis/grain_synthesizer.h"

#include <algorithm>
#include <limits>

#include "engine/seek/schedule_skip.h"

namespace {

constexpr std::uint64_t kMaxSourceFrames = std::numeric_limits<std::int32_t>::max();

}  // namespace

GrainSynthesizer::Start GrainSynthesizer::Begin(const OctaveLevels& source, std::uint64_t outputFrames,
                                                const SplineTerms* terms)
{
    // The renderer's tables stay for its next Begin, which may keep them.
    m_pending.clear();
    m_windows.Clear();
    const std::uint64_t sourceFrames = source.Level(0).size();
    if (sourceFrames > kMaxSourceFrames) {
        End();
        return Start::SourceTooLong;
    }
    const GrainSettings& settings = m_scheduler.GetSettings();
    const std::int32_t longest = m_scheduler.Source().Bounds().m_nLongestGrainFrames;
    if (m_renderer.Begin(source, outputFrames, settings, m_options, m_allocate, terms, longest,
                         m_scheduler.HasLevelHold()) !=
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
    m_windows.Clear();
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
    if (!grain.m_bPlain) {
        ChooseLevel(grain, *m_pLevels);
        if (m_scheduler.Source().Changes())
            GiveOwnWindow(grain);
    }
    m_pending.push_back(grain);
}

// With settings that change, a grain's shape and length are its own. One whose
// window cannot be had is dropped rather than read past a shorter one.
void GrainSynthesizer::GiveOwnWindow(GrainEvent& grain)
{
    m_windows.SetAllocator(m_allocate);
    const ShapedWindow* window = m_windows.Get(grain.m_window, grain.m_nFrames);
    if (window == nullptr) {
        grain.m_pWindow = nullptr;
        grain.m_nFrames = 0;
        return;
    }
    grain.m_pWindow = window->Data();
    grain.m_pPairWindow = window->PairData();
}

void GrainSynthesizer::AddPlacedGrains(const OutputWindow& window)
{
    m_renderer.Add(m_pending, window);
    DropGrainsEndingBy(window.End());
}

bool GrainSynthesizer::SkipGrainsEndingBefore(std::uint64_t frame, CancelPoll& poll)
{
    return SkipScheduleEndingBefore(m_scheduler, frame, poll);
}

void GrainSynthesizer::SkipPlacedGrains(std::uint64_t end)
{
    DropGrainsEndingBy(end);
}

// Keeps, in order, the grains with frames past end.
void GrainSynthesizer::DropGrainsEndingBy(std::uint64_t end)
{
    std::erase_if(m_pending,
                  [&](const GrainEvent& grain) { return m_renderer.CoveredFrames(grain).m_nEnd <= end; });
    m_windows.Trim(m_pending);
}
