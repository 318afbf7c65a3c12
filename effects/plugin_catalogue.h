// What the installed LV2 plugins are, as a user chooses among them: each
// plugin's URI, name, version and controls with their ranges, and whether this
// host can run it (and why not).
#pragma once

#include <optional>
#include <string>
#include <vector>

// One control a plugin takes (an input control port).
struct ControlDescription {
    std::string m_strSymbol;  // what a score names it by
    std::string m_strName;
    // NaN where the plugin gives none.
    float m_fMinimum = 0.0f;
    float m_fMaximum = 0.0f;
    float m_fDefault = 0.0f;
    bool m_bToggled = false;  // off (0) or on (1)
    bool m_bInteger = false;  // whole numbers only
    bool m_bLogarithmic = false;
};

struct PluginDescription {
    std::string m_strUri;
    std::string m_strName;
    // "minor.micro", as the plugin declares lv2:minorVersion and
    // lv2:microVersion; none when it declares neither.
    std::optional<std::string> m_version;
    std::vector<ControlDescription> m_controls;  // in port order
    int m_nAudioInputs = 0;
    int m_nAudioOutputs = 0;
    bool m_bReportsLatency = false;
    // Why this host cannot run it; none when it can.
    std::optional<std::string> m_unusable;
};

// Every installed plugin, by URI.
std::vector<PluginDescription> InstalledPlugins();
// The installed plugin with this URI; none when none is.
std::optional<PluginDescription> DescribeInstalledPlugin(const std::string& uri);
// The URIs of every installed plugin, sorted.
std::vector<std::string> InstalledPluginUris();

// The control of plugin with this symbol; null when it has none.
const ControlDescription* FindControl(const PluginDescription& plugin, const std::string& symbol);
// Why value does not suit control ("use 0 to 1", "use 0 (off) or 1 (on)",
// "use a whole number from 1 to 8"); none when it does.
std::optional<std::string> ControlValueProblem(const ControlDescription& control, double value);
// "0 to 1", "0 (off) or 1 (on)", "a whole number from 1 to 8", "any value":
// the values a control takes, as a listing shows them.
std::string DescribeControlRange(const ControlDescription& control);
