#include "engine/synthesis/windowed_synthesis.h"

#include <algorithm>

#include "engine/synthesis/sound_synthesis.h"

WindowedSynthesis::WindowedSynthesis(SoundSynthesis& synthesis, std::span<StereoFrame> window,
                                     std::uint64_t totalFrames)
    : m_synthesis(synthesis)
    , m_window(window)
    , m_nTotal(totalFrames)
{
}

std::span<StereoFrame> WindowedSynthesis::Next()
{
    const std::uint64_t count = std::min<std::uint64_t>(m_window.size(), m_nTotal - std::min(m_nDone, m_nTotal));
    const std::span<StereoFrame> frames = m_window.first(count);
    std::fill(frames.begin(), frames.end(), StereoFrame{0.0f, 0.0f});
    m_nFirst = m_nDone;
    m_synthesis.RenderWindow(frames, m_nDone);
    m_nDone += count;
    return frames;
}
