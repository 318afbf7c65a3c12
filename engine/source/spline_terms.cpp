#include "engine/source/spline_terms.h"

#include <algorithm>
#include <cstddef>

#include "engine/synthesis/kernels/general_kernel_frame.h"

namespace {

constexpr std::uint64_t kCoefficients = 3;

// The coefficients of every frame of level into c1, c2 and c3.
void WorkOut(std::span<const StereoFrame> level, StereoFrame* c1, StereoFrame* c2, StereoFrame* c3)
{
    const auto last = static_cast<std::ptrdiff_t>(level.size()) - 1;
    for (std::ptrdiff_t i = 0; i <= last; ++i) {
        const StereoFrame& s0 = level[static_cast<std::size_t>(std::max<std::ptrdiff_t>(i - 1, 0))];
        const StereoFrame& s1 = level[static_cast<std::size_t>(i)];
        const StereoFrame& s2 = level[static_cast<std::size_t>(std::min(i + 1, last))];
        const StereoFrame& s3 = level[static_cast<std::size_t>(std::min(i + 2, last))];
        const auto left = general_kernel::CoefficientsOf(s0.left, s1.left, s2.left, s3.left);
        const auto right = general_kernel::CoefficientsOf(s0.right, s1.right, s2.right, s3.right);
        c1[i] = {left.c1, right.c1};
        c2[i] = {left.c2, right.c2};
        c3[i] = {left.c3, right.c3};
    }
}

}  // namespace

std::uint64_t SplineTerms::BytesFor(const OctaveLevels& levels)
{
    std::uint64_t frames = 0;
    for (int k = 0; k < levels.Count(); ++k)
        frames += levels.Level(k).size();
    return frames * kCoefficients * sizeof(StereoFrame);
}

bool SplineTerms::Build(const OctaveLevels& levels, std::uint64_t maxBytes, BufferAllocator allocate)
{
    *this = SplineTerms();
    if (levels.Count() == 0 || BytesFor(levels) > maxBytes)
        return true;
    std::optional<SoundBuffer> memory =
        SoundBuffer::Allocate(allocate, BytesFor(levels) / sizeof(StereoFrame));
    if (!memory)
        return false;
    m_terms = std::move(*memory);
    std::uint64_t next = 0;
    for (int k = 0; k < levels.Count(); ++k) {
        const std::span<const StereoFrame> level = levels.Level(k);
        const auto index = static_cast<std::size_t>(k);
        m_first[index] = next;
        m_frames[index] = level.size();
        StereoFrame* terms = m_terms.data() + next;
        WorkOut(level, terms, terms + level.size(), terms + 2 * level.size());
        next += kCoefficients * level.size();
    }
    m_nLevels = levels.Count();
    return true;
}

const StereoFrame* SplineTerms::Terms(int level, int which) const
{
    if (!IsBuilt() || level < 0 || level >= m_nLevels)
        return nullptr;
    const auto index = static_cast<std::size_t>(level);
    return m_terms.data() + m_first[index] + static_cast<std::uint64_t>(which) * m_frames[index];
}
