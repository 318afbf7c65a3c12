#include "engine/source/prepared_source.h"

#include <algorithm>
#include <cstring>

#include "engine/source/low_cut.h"
#include "engine/scheduling/grain_variation_draws.h"

bool PreparedSource::Prepare(std::span<const StereoFrame> frames, const SourcePreparation& preparation,
                             BufferAllocator allocate, std::span<StereoFrame> writable)
{
    const std::uint64_t end = std::min<std::uint64_t>(preparation.m_nEnd, frames.size());
    const std::uint64_t first = std::min(preparation.m_nFirst, end);
    std::span<const StereoFrame> stretch = frames.subspan(first, end - first);
    const bool whole = first == 0 && end == frames.size() && writable.size() == frames.size();
    if (preparation.m_dLowCutHz > 0.0 && whole) {
        ApplyLowCut(writable, preparation.m_dLowCutHz);
    } else if (preparation.m_dLowCutHz > 0.0) {
        std::optional<SoundBuffer> filtered = SoundBuffer::Allocate(allocate, stretch.size());
        if (!filtered)
            return false;
        m_filtered = std::move(*filtered);
        if (!stretch.empty())
            std::memcpy(m_filtered.data(), stretch.data(), stretch.size_bytes());
        ApplyLowCut(m_filtered.Span(), preparation.m_dLowCutHz);
        stretch = m_filtered.Span();
    }
    const int levels = OctaveLevels::LevelFor(GrainVariationDraws::IncrementOf(preparation.m_dHighestSemitones));
    return m_levels.Build(stretch, levels, allocate) &&
           (!preparation.m_bTransposed || m_terms.Build(m_levels, kLargestSplineTerms, allocate));
}
