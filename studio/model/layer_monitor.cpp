#include "studio/model/layer_monitor.h"

#include <algorithm>

namespace studio {

void LayerMonitor::Fit(std::size_t layerCount)
{
    if (layerCount == m_muted.size())
        return;
    m_muted.assign(layerCount, false);
    m_soloed.assign(layerCount, false);
}

void LayerMonitor::SetMuted(std::size_t layer, bool muted)
{
    if (layer < m_muted.size())
        m_muted[layer] = muted;
}

void LayerMonitor::SetSoloed(std::size_t layer, bool soloed)
{
    if (layer < m_soloed.size())
        m_soloed[layer] = soloed;
}

bool LayerMonitor::IsHeard(std::size_t layer) const
{
    const bool anySolo = std::find(m_soloed.begin(), m_soloed.end(), true) != m_soloed.end();
    if (anySolo)
        return IsSoloed(layer);
    return !IsMuted(layer);
}

bool LayerMonitor::HearsAll() const
{
    for (std::size_t i = 0; i < m_muted.size(); ++i) {
        if (!IsHeard(i))
            return false;
    }
    return true;
}

}  // namespace studio
