// Phase 3 of a run: the OutputBuffer filled with grains by the run's
// GrainSynthesizer, with a progress point at every 1000th grain.
#include <algorithm>

#include "engine/generation_run.h"
#include "engine/progress_points.h"
#include "resources/strings/resource_ids.h"

namespace {

GrainSettings GrainSettingsOf(const GenerationSettings& settings)
{
    GrainSettings grains;
    grains.m_nGrainsPerSecond = settings.m_nGrainsPerSecond;
    grains.m_nGrainFrames = settings.m_nGrainFrames;
    grains.m_nScanFrames = settings.m_nScanFrames;
    grains.m_nSegmentGrains = settings.m_nSegmentGrains;
    grains.m_dVolume = settings.m_dVolume;
    return grains;
}

// The last grain of the batch that ends at the next progress point.
std::int32_t NextBatchEnd(std::int32_t nextIndex)
{
    return static_cast<std::int32_t>(
        std::min<std::uint64_t>(NextProgressPoint(static_cast<std::uint64_t>(nextIndex)), INT32_MAX));
}

}  // namespace

int GenerationRun::SynthesizeGrains()
{
    m_tPhaseStart = Now();
    std::fill(m_outputBuffer.Span().begin(), m_outputBuffer.Span().end(), StereoFrame{0.0f, 0.0f});
    m_synthesizer.SetSettings(GrainSettingsOf(m_settings));
    m_synthesizer.SetOptions(m_synthesis);
    m_synthesizer.SetAllocator(m_allocate);
    if (m_synthesizer.Begin(m_sourceBuffer.Span(), m_outputBuffer.size()) != GrainSynthesizer::Start::Ready) {
        ShowError(IDS_ERR_WINDOW_MEMORY);
        return 1;
    }

    // Grains are placed in batches that end at a progress point: nothing
    // between two progress points can clear the keep-going flag, so a batch is
    // placed, then added, then reported, with the same result as grain by
    // grain. The batch is added in full before its progress point, so a cancel
    // there leaves exactly the grains up to that point in the output.
    const OutputWindow whole{m_outputBuffer.data(), 0, m_outputBuffer.size()};
    while (!m_synthesizer.IsComplete() && m_bKeepGoing == 1) {
        m_synthesizer.PlaceGrainsThrough(NextBatchEnd(m_synthesizer.NextGrain().m_nIndex));
        m_synthesizer.AddPlacedGrains(whole);
        const GrainCursor& last = m_synthesizer.LastPlacedGrain();
        if (IsProgressPoint(static_cast<std::uint64_t>(last.m_nIndex)))
            ProgressPoint(GenerationHost::Phase::Generating, last.m_nStart, m_outputBuffer.size());
    }

    m_synthesizer.End();
    EndPhase(GenerationHost::Phase::Generating);
    return 0;
}
