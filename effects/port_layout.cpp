#include "effects/port_layout.h"

#include <cmath>

#include "effects/lv2_world.h"
#include "engine/base/stereo_frame.h"

namespace {

std::string NodeText(const LilvNode* node)
{
    return node ? lilv_node_as_string(node) : "";
}

PortKind KindOf(const LilvPlugin* plugin, const LilvPort* port, const Lv2Nodes& nodes)
{
    const bool input = lilv_port_is_a(plugin, port, nodes.m_pInputPort);
    const bool output = lilv_port_is_a(plugin, port, nodes.m_pOutputPort);
    if (input == output)
        return PortKind::Unsupported;
    if (lilv_port_is_a(plugin, port, nodes.m_pAudioPort))
        return input ? PortKind::AudioInput : PortKind::AudioOutput;
    if (lilv_port_is_a(plugin, port, nodes.m_pControlPort))
        return input ? PortKind::ControlInput : PortKind::ControlOutput;
    if (lilv_port_is_a(plugin, port, nodes.m_pCvPort))
        return input ? PortKind::CvInput : PortKind::CvOutput;
    if (lilv_port_is_a(plugin, port, nodes.m_pAtomPort))
        return input ? PortKind::AtomInput : PortKind::AtomOutput;
    return PortKind::Unsupported;
}

// 0 for a port designated the left channel, 1 the right, 2 any other.
int ChannelRank(const LilvPlugin* plugin, const LilvPort* port, const Lv2Nodes& nodes)
{
    LilvNodes* designations = lilv_port_get_value(plugin, port, nodes.m_pDesignation);
    int rank = 2;
    if (designations && lilv_nodes_contains(designations, nodes.m_pLeft))
        rank = 0;
    else if (designations && lilv_nodes_contains(designations, nodes.m_pRight))
        rank = 1;
    lilv_nodes_free(designations);
    return rank;
}

// Stable: ports of one rank keep their index order.
void AddByRank(std::vector<std::uint32_t>& ports, std::vector<int>& ranks, std::uint32_t index, int rank)
{
    std::size_t at = ports.size();
    while (at > 0 && ranks[at - 1] > rank)
        --at;
    ports.insert(ports.begin() + static_cast<std::ptrdiff_t>(at), index);
    ranks.insert(ranks.begin() + static_cast<std::ptrdiff_t>(at), rank);
}

PortEntry ReadEntry(const LilvPlugin* plugin, const LilvPort* port, std::uint32_t index, const Lv2Nodes& nodes)
{
    PortEntry entry;
    entry.m_nIndex = index;
    entry.m_kind = KindOf(plugin, port, nodes);
    entry.m_strSymbol = NodeText(lilv_port_get_symbol(plugin, port));
    LilvNode* name = lilv_port_get_name(plugin, port);
    entry.m_strName = name ? NodeText(name) : entry.m_strSymbol;
    lilv_node_free(name);
    entry.m_bOptional = lilv_port_has_property(plugin, port, nodes.m_pConnectionOptional);
    entry.m_bToggled = lilv_port_has_property(plugin, port, nodes.m_pToggled);
    entry.m_bInteger = lilv_port_has_property(plugin, port, nodes.m_pInteger);
    entry.m_bEnumeration = lilv_port_has_property(plugin, port, nodes.m_pEnumeration);
    entry.m_bLogarithmic = lilv_port_has_property(plugin, port, nodes.m_pLogarithmic);
    return entry;
}

// A range given in fractions of the sample rate (lv2:sampleRate), as the
// plugin takes the value: in Hz at the run's rate. A default outside the
// range (a slip in some plugins' data) is brought into it.
void SetRange(PortEntry& entry, float minimum, float maximum, float fallback, bool perSampleRate)
{
    const float scale = perSampleRate ? static_cast<float>(kRunSampleRate) : 1.0f;
    entry.m_fMinimum = minimum * scale;
    entry.m_fMaximum = maximum * scale;
    entry.m_fDefault = fallback * scale;
    if (!std::isnan(entry.m_fMinimum) && entry.m_fDefault < entry.m_fMinimum)
        entry.m_fDefault = entry.m_fMinimum;
    if (!std::isnan(entry.m_fMaximum) && entry.m_fDefault > entry.m_fMaximum)
        entry.m_fDefault = entry.m_fMaximum;
}

std::optional<std::string> PortProblem(const PortEntry& entry)
{
    if (entry.m_kind == PortKind::Unsupported && !entry.m_bOptional)
        return "its port '" + entry.m_strSymbol + "' is of a kind this host does not connect";
    return std::nullopt;
}

std::optional<std::string> AudioProblem(const PortLayout& layout)
{
    if (layout.m_audioInputs.empty())
        return std::string("it takes no sound in (an instrument or a generator, not an effect)");
    if (layout.m_audioOutputs.empty())
        return std::string("it gives no sound out (a meter or an analyser, not an effect)");
    return std::nullopt;
}

}  // namespace

PortLayout ReadPortLayout(const LilvPlugin* plugin, const Lv2Nodes& nodes)
{
    PortLayout layout;
    const std::uint32_t count = lilv_plugin_get_num_ports(plugin);
    std::vector<float> minima(count), maxima(count), defaults(count);
    lilv_plugin_get_port_ranges_float(plugin, minima.data(), maxima.data(), defaults.data());
    std::vector<int> inputRanks, outputRanks;
    for (std::uint32_t index = 0; index < count; ++index) {
        const LilvPort* port = lilv_plugin_get_port_by_index(plugin, index);
        PortEntry entry = ReadEntry(plugin, port, index, nodes);
        SetRange(entry, minima[index], maxima[index], defaults[index],
                 lilv_port_has_property(plugin, port, nodes.m_pSampleRate));
        if (entry.m_kind == PortKind::AudioInput)
            AddByRank(layout.m_audioInputs, inputRanks, index, ChannelRank(plugin, port, nodes));
        if (entry.m_kind == PortKind::AudioOutput)
            AddByRank(layout.m_audioOutputs, outputRanks, index, ChannelRank(plugin, port, nodes));
        if (entry.m_kind == PortKind::ControlOutput && lilv_port_has_property(plugin, port, nodes.m_pReportsLatency))
            layout.m_latencyPort = index;
        if (!layout.m_unusable)
            layout.m_unusable = PortProblem(entry);
        layout.m_ports.push_back(std::move(entry));
    }
    if (!layout.m_latencyPort && lilv_plugin_has_latency(plugin))
        layout.m_latencyPort = lilv_plugin_get_latency_port_index(plugin);
    if (!layout.m_unusable)
        layout.m_unusable = AudioProblem(layout);
    return layout;
}
