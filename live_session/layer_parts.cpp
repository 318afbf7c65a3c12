#include "live_session/layer_parts.h"

#include <algorithm>

LayerPartsStretch::LayerPartsStretch(std::uint64_t offset, std::uint64_t track, std::size_t count, std::size_t layers,
                                     std::size_t windowFrames, int groups)
    : m_nOffset(offset)
    , m_nTrack(track)
    , m_nCount(count)
    , m_nWindowFrames(windowFrames)
    , m_parts(layers)
    , m_nGroupsLeft(groups)
{
}

void LayerPartsStretch::Render(LayerMixSynthesis& mix, std::span<const std::size_t> layers, std::uint64_t into)
{
    const std::size_t windows = (m_nCount + m_nWindowFrames - 1) / m_nWindowFrames;
    for (const std::size_t layer : layers) {
        Part& part = m_parts[layer];
        part.m_sound.assign(m_nCount, StereoFrame{0.0f, 0.0f});
        part.m_gains.assign(m_nCount, 0.0f);
        part.m_uses.assign(windows, LayerUse::None);
    }
    for (std::size_t window = 0; window < windows; ++window) {
        const std::size_t done = window * m_nWindowFrames;
        const std::size_t count = std::min(m_nWindowFrames, m_nCount - done);
        for (const std::size_t layer : layers) {
            Part& part = m_parts[layer];
            const LayerUse use = mix.RenderPart(layer, std::span(part.m_sound).subspan(done, count), into + done);
            part.m_uses[window] = use;
            if (use == LayerUse::Scaled)
                std::copy_n(mix.PartGains().begin(), count, part.m_gains.begin() + static_cast<std::ptrdiff_t>(done));
        }
    }
}

void LayerPartsStretch::Mix(std::span<StereoFrame> frames) const
{
    for (std::size_t done = 0, window = 0; done < m_nCount; done += m_nWindowFrames, ++window) {
        const std::size_t count = std::min(m_nWindowFrames, m_nCount - done);
        for (std::size_t layer = 0; layer < m_parts.size(); ++layer) {
            const Part& part = m_parts[layer];
            LayerMixSynthesis::AddPart(frames.subspan(done, count), std::span(part.m_sound).subspan(done, count),
                                       std::span(part.m_gains).subspan(done, count), part.m_uses[window], layer == 0);
        }
    }
}

std::vector<std::vector<std::size_t>> LayerGroups(std::size_t layers, std::size_t workers)
{
    const std::size_t groups = std::min(layers, workers);
    if (groups < 2)
        return {};
    std::vector<std::vector<std::size_t>> shared(groups);
    for (std::size_t layer = 0; layer < layers; ++layer)
        shared[layer % groups].push_back(layer);
    return shared;
}
