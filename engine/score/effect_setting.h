// One effect a score asks for: an LV2 plugin named by its URI, with values for
// some of its controls by port symbol. Plain data, as the score file gives it;
// the effects library finds, checks and runs the plugin.
#pragma once

#include <map>
#include <optional>
#include <string>
#include <vector>

struct EffectSetting {
    std::string m_strPlugin;                  // the plugin's URI
    std::map<std::string, double> m_controls;  // by port symbol; a control not named keeps its default
    // The plugin's version ("minor.micro") as a score stored with an output
    // records it; none where the score does not say or the plugin gives none.
    std::optional<std::string> m_version;
    int m_nLine = 0;  // where the score gives it, for messages

    // The same effect, wherever the score gives it.
    bool operator==(const EffectSetting& other) const
    {
        return m_strPlugin == other.m_strPlugin && m_controls == other.m_controls && m_version == other.m_version;
    }
};

// Effects run in the order given, each on the sound the one before made.
using EffectChainSetting = std::vector<EffectSetting>;
