#include "engine/synthesis/grain_canvas.h"

#include <cmath>
#include <cstdlib>

namespace {

// The general kernel's view of a grain: read from the octave level that its
// increment needs, in that level's frames (level k holds every 2^k-th frame
// of the source, band-limited for it).
GeneralGrain GeneralGrainOf(const GrainEvent& grain, const GrainCanvas& canvas)
{
    const OctaveLevels& levels = *canvas.m_pLevels;
    const int level = std::min(OctaveLevels::LevelFor(std::fabs(grain.m_dIncrement)), levels.Count() - 1);
    const std::span<const StereoFrame> frames = levels.Level(level);
    GeneralGrain general;
    general.m_pSource = frames.data();
    general.m_nSourceFrames = static_cast<std::int64_t>(frames.size());
    general.m_dFirstRead = std::ldexp(grain.m_dFirstRead, -level);
    general.m_dIncrement = std::ldexp(grain.m_dIncrement, -level);
    general.m_fGainLeft = static_cast<float>(grain.m_dGainLeft);
    general.m_fGainRight = static_cast<float>(grain.m_dGainRight);
    general.m_pWindow = canvas.m_pShapedWindow;
    general.m_bWholeFrames =
        std::fabs(general.m_dIncrement) == 1.0 && general.m_dFirstRead == std::trunc(general.m_dFirstRead);
    return general;
}

}  // namespace

FrameRange CoveredFrames(const GrainEvent& grain, const GrainCanvas& canvas)
{
    const std::uint64_t q = grain.m_nOutput;
    if (!grain.m_bPlain) {
        if (grain.m_nFrames <= 0 || q >= canvas.m_nOutputFrames)
            return {q, q};
        return {q, q + std::min<std::uint64_t>(static_cast<std::uint64_t>(grain.m_nFrames), canvas.m_nOutputFrames - q)};
    }
    const GrainPlacement placement{grain.m_nSource, q};
    return CutGrain(placement, canvas.m_nGrainFrames, canvas.m_pLevels->Level(0).size(), canvas.m_nOutputFrames);
}

void AddGrainPart(const GrainCanvas& canvas, AddKernelFunction add, const GrainEvent& grain, FrameRange part,
                  const OutputWindow& window)
{
    const std::uint64_t offset = part.m_nBegin - grain.m_nOutput;
    const auto count = static_cast<std::int32_t>(part.m_nEnd - part.m_nBegin);
    StereoFrame* output = window.m_pFrames + (part.m_nBegin - window.m_nFirst);
    if (!grain.m_bPlain) {
        canvas.m_general(output, GeneralGrainOf(grain, canvas), static_cast<std::int32_t>(offset), count);
        return;
    }
    const StereoFrame* source = canvas.m_pLevels->Level(0).data() + grain.m_nSource + offset;
    if (add != nullptr)
        add(output, source, canvas.m_pPairWeights + 2 * offset, count);
    else
        AddKernelReference(output, source, canvas.m_pWindow + offset, canvas.m_fVolume, count);
}
