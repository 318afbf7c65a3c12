#include "engine/finishing/loop_seam.h"

#include <algorithm>
#include <cmath>
#include <utility>

namespace {

constexpr double kQuarterTurn = 1.5707963267948966;  // π/2

double FadeAngle(std::uint64_t j, std::uint64_t crossFade)
{
    return (static_cast<double>(j) + 0.5) / static_cast<double>(crossFade) * kQuarterTurn;
}

}  // namespace

std::optional<LoopSeam> LoopSeam::Make(BufferAllocator allocate, std::uint64_t crossFade)
{
    std::optional<SoundBuffer> head = SoundBuffer::Allocate(allocate, crossFade);
    if (!head)
        return std::nullopt;
    return LoopSeam(std::move(*head));
}

LoopSeam::LoopSeam(SoundBuffer head)
    : m_head(std::move(head))
{
}

void LoopSeam::KeepHead(std::span<const StereoFrame> piece, std::uint64_t first)
{
    std::copy(piece.begin(), piece.end(), m_head.data() + first);
}

void LoopSeam::FadeIntoHead(std::span<const StereoFrame> piece, std::uint64_t first)
{
    const std::uint64_t crossFade = m_head.size();
    for (std::size_t i = 0; i < piece.size(); ++i) {
        const std::uint64_t j = first + i;
        const double headGain = HeadGain(j, crossFade);
        const double overlapGain = OverlapGain(j, crossFade);
        StereoFrame& head = m_head[j];
        head.left = static_cast<float>(head.left * headGain + piece[i].left * overlapGain);
        head.right = static_cast<float>(head.right * headGain + piece[i].right * overlapGain);
    }
}

double LoopSeam::HeadGain(std::uint64_t j, std::uint64_t crossFade)
{
    return std::sin(FadeAngle(j, crossFade));
}

double LoopSeam::OverlapGain(std::uint64_t j, std::uint64_t crossFade)
{
    return std::cos(FadeAngle(j, crossFade));
}
