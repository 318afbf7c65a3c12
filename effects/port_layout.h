// The ports of an LV2 plugin as this host sees them: which carry sound in and
// out (left and right first), which are controls, which report latency, and
// whether the host can connect them all.
#pragma once

#include <lilv/lilv.h>

#include <cstdint>
#include <optional>
#include <string>
#include <vector>

struct Lv2Nodes;

enum class PortKind {
    AudioInput,
    AudioOutput,
    ControlInput,
    ControlOutput,
    CvInput,      // fed its default value, constant
    CvOutput,     // read by no one
    AtomInput,    // fed an empty sequence each block: no events
    AtomOutput,   // read by no one
    Unsupported,  // a kind the host cannot connect (the old event ports, say)
};

struct PortEntry {
    std::uint32_t m_nIndex = 0;
    PortKind m_kind = PortKind::Unsupported;
    std::string m_strSymbol;
    std::string m_strName;
    bool m_bOptional = false;  // lv2:connectionOptional
    // The plugin's range for a control or CV port; NaN where it gives none.
    float m_fMinimum = 0.0f;
    float m_fMaximum = 0.0f;
    float m_fDefault = 0.0f;
    bool m_bToggled = false;
    bool m_bInteger = false;
    bool m_bEnumeration = false;
    bool m_bLogarithmic = false;
};

struct PortLayout {
    std::vector<PortEntry> m_ports;  // by index
    // The audio ports by channel: a port designated left comes first, one
    // designated right second, then the others in index order.
    std::vector<std::uint32_t> m_audioInputs;
    std::vector<std::uint32_t> m_audioOutputs;
    std::optional<std::uint32_t> m_latencyPort;  // the control output that reports latency
    // Why this host cannot run the plugin; none when it can.
    std::optional<std::string> m_unusable;
};

// The ports of plugin; the caller holds the world's lock.
PortLayout ReadPortLayout(const LilvPlugin* plugin, const Lv2Nodes& nodes);
