#include "effects/plugin_catalogue.h"

#include <algorithm>
#include <cmath>
#include <cstdio>

#include "effects/host_features.h"
#include "effects/lv2_world.h"
#include "effects/port_layout.h"

namespace {

std::optional<std::string> VersionOf(const LilvPlugin* plugin, const Lv2Nodes& nodes)
{
    LilvNodes* minor = lilv_plugin_get_value(plugin, nodes.m_pMinorVersion);
    LilvNodes* micro = lilv_plugin_get_value(plugin, nodes.m_pMicroVersion);
    auto number = [](LilvNodes* values) -> std::optional<int> {
        const LilvNode* first = values ? lilv_nodes_get_first(values) : nullptr;
        if (first && lilv_node_is_int(first))
            return lilv_node_as_int(first);
        return std::nullopt;
    };
    const std::optional<int> minorNumber = number(minor), microNumber = number(micro);
    lilv_nodes_free(minor);
    lilv_nodes_free(micro);
    if (!minorNumber && !microNumber)
        return std::nullopt;
    return std::to_string(minorNumber.value_or(0)) + "." + std::to_string(microNumber.value_or(0));
}

std::optional<std::string> MissingFeature(const LilvPlugin* plugin)
{
    LilvNodes* required = lilv_plugin_get_required_features(plugin);
    std::optional<std::string> missing;
    LILV_FOREACH (nodes, i, required) {
        const std::string uri = lilv_node_as_uri(lilv_nodes_get(required, i));
        if (!HostFeatures::Provides(uri)) {
            missing = "it needs the host feature " + uri + ", which Sonnelith does not give";
            break;
        }
    }
    lilv_nodes_free(required);
    return missing;
}

ControlDescription ControlOf(const PortEntry& port)
{
    ControlDescription control;
    control.m_strSymbol = port.m_strSymbol;
    control.m_strName = port.m_strName;
    control.m_fMinimum = port.m_fMinimum;
    control.m_fMaximum = port.m_fMaximum;
    control.m_fDefault = port.m_fDefault;
    control.m_bToggled = port.m_bToggled;
    control.m_bInteger = port.m_bInteger || port.m_bEnumeration;
    control.m_bLogarithmic = port.m_bLogarithmic;
    return control;
}

// The caller holds the world's lock.
PluginDescription Describe(const LilvPlugin* plugin, const Lv2Nodes& nodes)
{
    PluginDescription description;
    description.m_strUri = lilv_node_as_uri(lilv_plugin_get_uri(plugin));
    LilvNode* name = lilv_plugin_get_name(plugin);
    description.m_strName = name ? lilv_node_as_string(name) : description.m_strUri;
    lilv_node_free(name);
    description.m_version = VersionOf(plugin, nodes);
    const PortLayout layout = ReadPortLayout(plugin, nodes);
    for (const PortEntry& port : layout.m_ports) {
        if (port.m_kind == PortKind::ControlInput)
            description.m_controls.push_back(ControlOf(port));
    }
    description.m_nAudioInputs = static_cast<int>(layout.m_audioInputs.size());
    description.m_nAudioOutputs = static_cast<int>(layout.m_audioOutputs.size());
    description.m_bReportsLatency = layout.m_latencyPort.has_value();
    description.m_unusable = MissingFeature(plugin);
    if (!description.m_unusable)
        description.m_unusable = layout.m_unusable;
    return description;
}

std::string Number(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", value);
    return text;
}

}  // namespace

std::vector<PluginDescription> InstalledPlugins()
{
    Lv2World& world = Lv2World::Get();
    const std::lock_guard<std::mutex> hold(world.Lock());
    std::vector<PluginDescription> plugins;
    const LilvPlugins* all = world.Plugins();
    LILV_FOREACH (plugins, i, all)
        plugins.push_back(Describe(lilv_plugins_get(all, i), world.Nodes()));
    std::sort(plugins.begin(), plugins.end(),
              [](const PluginDescription& a, const PluginDescription& b) { return a.m_strUri < b.m_strUri; });
    return plugins;
}

std::optional<PluginDescription> DescribeInstalledPlugin(const std::string& uri)
{
    Lv2World& world = Lv2World::Get();
    const std::lock_guard<std::mutex> hold(world.Lock());
    const LilvPlugin* plugin = world.Find(uri);
    if (!plugin)
        return std::nullopt;
    return Describe(plugin, world.Nodes());
}

std::vector<std::string> InstalledPluginUris()
{
    Lv2World& world = Lv2World::Get();
    const std::lock_guard<std::mutex> hold(world.Lock());
    std::vector<std::string> uris;
    const LilvPlugins* all = world.Plugins();
    LILV_FOREACH (plugins, i, all)
        uris.emplace_back(lilv_node_as_uri(lilv_plugin_get_uri(lilv_plugins_get(all, i))));
    std::sort(uris.begin(), uris.end());
    return uris;
}

const ControlDescription* FindControl(const PluginDescription& plugin, const std::string& symbol)
{
    for (const ControlDescription& control : plugin.m_controls) {
        if (control.m_strSymbol == symbol)
            return &control;
    }
    return nullptr;
}

std::string DescribeControlRange(const ControlDescription& control)
{
    if (control.m_bToggled)
        return "0 (off) or 1 (on)";
    const bool bounded = !std::isnan(control.m_fMinimum) && !std::isnan(control.m_fMaximum);
    if (!bounded)
        return control.m_bInteger ? "any whole number" : "any value";
    if (control.m_bInteger && control.m_fMaximum - control.m_fMinimum == 1.0f)
        return Number(control.m_fMinimum) + " or " + Number(control.m_fMaximum);
    const std::string range = Number(control.m_fMinimum) + " to " + Number(control.m_fMaximum);
    return control.m_bInteger ? "a whole number from " + range : range;
}

std::optional<std::string> ControlValueProblem(const ControlDescription& control, double value)
{
    // Compared as the port holds it: a plugin's 0.7 is the float nearest 0.7.
    const float portValue = static_cast<float>(value);
    bool fits = std::isfinite(portValue);
    if (control.m_bToggled)
        fits = fits && (portValue == 0.0f || portValue == 1.0f);
    if (control.m_bInteger)
        fits = fits && value == std::floor(value);
    if (!std::isnan(control.m_fMinimum))
        fits = fits && portValue >= control.m_fMinimum;
    if (!std::isnan(control.m_fMaximum))
        fits = fits && portValue <= control.m_fMaximum;
    if (fits)
        return std::nullopt;
    return "use " + DescribeControlRange(control);
}
