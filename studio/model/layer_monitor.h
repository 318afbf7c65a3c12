// Which layers are heard while listening: muted ones are not, and once any
// layer is soloed only the soloed ones are. This is the listener's choice,
// not the score's: a render always holds every layer.
#pragma once

#include <cstddef>
#include <vector>

namespace studio {

class LayerMonitor {
public:
    // Layers added or removed: every choice is forgotten (indexes moved).
    void Fit(std::size_t layerCount);
    std::size_t GetLayerCount() const { return m_muted.size(); }

    bool IsMuted(std::size_t layer) const { return layer < m_muted.size() && m_muted[layer]; }
    bool IsSoloed(std::size_t layer) const { return layer < m_soloed.size() && m_soloed[layer]; }
    void SetMuted(std::size_t layer, bool muted);
    void SetSoloed(std::size_t layer, bool soloed);

    bool IsHeard(std::size_t layer) const;
    // Every layer heard: what plays is what the file holds.
    bool HearsAll() const;

    bool operator==(const LayerMonitor&) const = default;

private:
    std::vector<bool> m_muted;
    std::vector<bool> m_soloed;
};

}  // namespace studio
