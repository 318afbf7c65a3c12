#include "engine/synthesis/grain_canvas.h"

#include <cmath>
#include <cstdlib>

#include "engine/synthesis/kernels/general_kernel_stretch.h"

GeneralGrain GeneralGrainOf(const GrainEvent& grain, const GrainCanvas& canvas)
{
    const std::span<const StereoFrame> frames = canvas.m_pLevels->Level(grain.m_nLevel);
    GeneralGrain general;
    general.m_pSource = frames.data();
    general.m_nSourceFrames = static_cast<std::int64_t>(frames.size());
    general.m_dFirstRead = grain.m_dLevelFirstRead;
    general.m_dIncrement = grain.m_dLevelIncrement;
    general.m_fGainLeft = static_cast<float>(grain.m_dGainLeft);
    general.m_fGainRight = static_cast<float>(grain.m_dGainRight);
    general.m_pWindow = grain.m_pWindow != nullptr ? grain.m_pWindow : canvas.m_pShapedWindow;
    general.m_pPairWindow = grain.m_pWindow != nullptr ? grain.m_pPairWindow : canvas.m_pShapedPairWindow;
    general.m_bWholeFrames =
        std::fabs(general.m_dIncrement) == 1.0 && general.m_dFirstRead == std::trunc(general.m_dFirstRead);
    if (canvas.m_pSplineTerms != nullptr) {
        for (int which = 0; which < 3; ++which)
            general.m_pTerms[which] = canvas.m_pSplineTerms->Terms(grain.m_nLevel, which);
    }
    // The portable kernel has no vector steps to prepare for.
    if (canvas.m_general != AddGeneralGrainPortable)
        PrepareVectorFrames(general, grain.m_nFrames);
    return general;
}

// Dividing by a power of two is exact, so a position of level k is the
// source's position over 2^k to the bit.
void ChooseLevel(GrainEvent& grain, const OctaveLevels& levels)
{
    const int level = std::min(OctaveLevels::LevelFor(std::fabs(grain.m_dIncrement)), levels.Count() - 1);
    const double scale = 1.0 / static_cast<double>(1 << level);
    grain.m_nLevel = level;
    grain.m_dLevelFirstRead = grain.m_dFirstRead * scale;
    grain.m_dLevelIncrement = grain.m_dIncrement * scale;
}

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
        AddGeneralGrainPart(canvas, GeneralGrainOf(grain, canvas), grain, part, window);
        return;
    }
    const StereoFrame* source = canvas.m_pLevels->Level(0).data() + grain.m_nSource + offset;
    if (add != nullptr)
        add(output, source, canvas.m_pPairWeights + 2 * offset, count);
    else
        AddKernelReference(output, source, canvas.m_pWindow + offset, canvas.m_fVolume, count);
}

void AddGeneralGrainPart(const GrainCanvas& canvas, const GeneralGrain& general, const GrainEvent& grain,
                         FrameRange part, const OutputWindow& window)
{
    const auto offset = static_cast<std::int32_t>(part.m_nBegin - grain.m_nOutput);
    const auto count = static_cast<std::int32_t>(part.m_nEnd - part.m_nBegin);
    canvas.m_general(window.m_pFrames + (part.m_nBegin - window.m_nFirst), general, offset, count);
}
