// After loading: the SourceBuffer prepared for the grains, high-passed when a
// low cut is asked for, with the octave levels that grains transposed
// upwards read from.
#include <cmath>

#include "engine/run/generation_run.h"
#include "engine/source/low_cut.h"
#include "engine/source/octave_levels.h"
#include "engine/source/spline_terms.h"
#include "engine/scheduling/grain_scheduler.h"
#include "engine/scheduling/grain_variation_draws.h"
#include "resources/strings/resource_ids.h"

namespace {

bool IsTransposed(const GenerationSettings& settings)
{
    const SemitoneRange range = SemitoneRangeOf(settings.m_variation);
    return range.m_dLowest != 0.0 || range.m_dHighest != 0.0;
}

// The octave levels a grain with the highest transposition of the settings
// reads from (0: the source alone).
int LevelsNeeded(const GenerationSettings& settings)
{
    const SemitoneRange range = SemitoneRangeOf(settings.m_variation);
    return OctaveLevels::LevelFor(GrainVariationDraws::IncrementOf(range.m_dHighest));
}

}  // namespace

bool GenerationRun::PrepareSource()
{
    if (m_settings.m_dLowCutHz > 0.0)
        ApplyLowCut(m_sourceBuffer.Span(), m_settings.m_dLowCutHz);
    m_pLevels = std::make_unique<OctaveLevels>();
    m_pSplineTerms = std::make_unique<SplineTerms>();
    const bool built = m_pLevels->Build(m_sourceBuffer.Span(), LevelsNeeded(m_settings), m_allocate) &&
                       (!IsTransposed(m_settings) || m_pSplineTerms->Build(*m_pLevels, kLargestSplineTerms, m_allocate));
    if (!built) {
        Fail(TableMessage(IDS_ERR_SOURCE_MEMORY));
        return false;
    }
    return true;
}
