#include "engine/source/octave_levels.h"

#include <cmath>
#include <utility>

#include "engine/source/octave_decimator.h"

namespace {

// How far above a power of two an increment may lie and still read that
// level: far less than any transposition a user can ask for, far more than
// the rounding of one computed from semitones.
constexpr double kIncrementTolerance = 1e-9;

}  // namespace

std::size_t OctaveLevels::LevelFrames(std::size_t sourceFrames, int k)
{
    std::size_t frames = sourceFrames;
    for (int level = 1; level <= k; ++level)
        frames = frames / 2 + frames % 2;
    return frames;
}

bool OctaveLevels::Build(std::span<const StereoFrame> source, int levels, BufferAllocator allocate)
{
    *this = OctaveLevels();
    const int built = levels < 0 ? 0 : (levels > kMaxLevel ? kMaxLevel : levels);
    std::size_t total = 0;
    for (int k = 1; k <= built; ++k) {
        m_first[k] = total;
        total += LevelFrames(source.size(), k);
    }
    if (built > 0) {
        std::optional<SoundBuffer> memory = SoundBuffer::Allocate(allocate, total);
        if (!memory) {
            *this = OctaveLevels();
            return false;
        }
        m_levels = std::move(*memory);
    }
    m_source = source;
    m_nCount = built + 1;
    for (int k = 1; k <= built; ++k) {
        const std::span<StereoFrame> level(m_levels.data() + m_first[k], LevelFrames(source.size(), k));
        HalveRate(Level(k - 1), level);
    }
    return true;
}

std::span<const StereoFrame> OctaveLevels::Level(int k) const
{
    if (k < 0 || k >= m_nCount)
        return {};
    if (k == 0)
        return m_source;
    return {m_levels.data() + m_first[k], LevelFrames(m_source.size(), k)};
}

// The limit doubles exactly at each step, so the comparisons are exact.
int OctaveLevels::LevelFor(double increment)
{
    const double magnitude = std::abs(increment);
    double limit = 1.0 + kIncrementTolerance;
    int level = 0;
    while (level < kMaxLevel && magnitude > limit) {
        ++level;
        limit *= 2.0;
    }
    return level;
}
