// Phase 3 of a run: the OutputBuffer filled with grains by the run's
// GrainSynthesizer, with a progress point at every 1000th grain.
#include <algorithm>
#include <cstdint>

#include "engine/generation_run.h"
#include "engine/progress_points.h"
#include "engine/synthesis/grain_synthesizer.h"
#include "resources/strings/resource_ids.h"

namespace {

// The last grain of the batch that ends at the next progress point.
std::int32_t NextBatchEnd(std::int32_t nextIndex)
{
    return static_cast<std::int32_t>(
        std::min<std::uint64_t>(NextProgressPoint(static_cast<std::uint64_t>(nextIndex)), INT32_MAX));
}

}  // namespace

void GenerationRun::PrepareSynthesizer()
{
    m_pSynthesizer->SetSettings(GrainSettingsOf(m_settings));
    m_pSynthesizer->SetOptions(m_synthesis);
    m_pSynthesizer->SetAllocator(m_allocate);
}

bool GenerationRun::SynthesizeGrains()
{
    // The OutputBuffer is all (0, 0): it was allocated zeroed just before.
    m_tPhaseStart = Now();
    GrainSynthesizer& synthesizer = *m_pSynthesizer;
    PrepareSynthesizer();
    // The SourceBuffer is never too long for it: loading refuses that.
    if (synthesizer.Begin(m_sourceBuffer.Span(), m_outputBuffer.size()) != GrainSynthesizer::Start::Ready) {
        Fail(TableMessage(IDS_ERR_WINDOW_MEMORY));
        return false;
    }

    // Grains are placed in batches that end at a progress point: nothing
    // between two progress points can clear the keep-going flag, so a batch is
    // placed, then added, then reported, with the same result as grain by
    // grain. The batch is added in full before its progress point, so a cancel
    // there leaves exactly the grains up to that point in the output.
    const OutputWindow whole{m_outputBuffer.data(), 0, m_outputBuffer.size()};
    while (!synthesizer.IsComplete() && m_bKeepGoing) {
        synthesizer.PlaceGrainsThrough(NextBatchEnd(synthesizer.NextGrain().m_nIndex));
        synthesizer.AddPlacedGrains(whole);
        const GrainCursor& last = synthesizer.LastPlacedGrain();
        if (IsProgressPoint(static_cast<std::uint64_t>(last.m_nIndex)))
            ProgressPoint(Phase::Generating, last.m_nStart, m_outputBuffer.size());
    }

    synthesizer.End();
    EndPhase(Phase::Generating);
    return true;
}
