#include "score_file/effect_reading.h"

#include <algorithm>
#include <cctype>
#include <optional>

#include "text/nearest_name.h"
#include "score_file/score_reading.h"
#include "score_file/score_writing.h"
#include "score_file/toml_node_values.h"
#include "effects/plugin_catalogue.h"
#include "engine/parameters/parameter_text.h"
#include "engine/score/score.h"

namespace {

const std::vector<std::string> kEffectKeys = {"plugin", "controls", "version"};
constexpr std::string_view kPluginForm = "a plugin's URI, such as \"http://drobilla.net/plugins/mda/Ambience\"";
constexpr std::string_view kVersionForm = "the plugin's version as minor.micro, such as \"2.0\"";
const char kListHint[] = "sonnelith-cli --list-effects lists the installed ones";

std::string Lowered(std::string text)
{
    std::transform(text.begin(), text.end(), text.begin(), [](unsigned char c) { return std::tolower(c); });
    return text;
}

// The installed plugin a slip in its URI most likely meant: one whose URI
// is within a few edits (a tenth of its length, at least three), or whose
// name or last path part was given instead of its URI.
std::optional<std::string> NearestPlugin(const std::string& typed)
{
    const std::vector<PluginDescription> plugins = InstalledPlugins();
    const std::string lowered = Lowered(typed);
    for (const PluginDescription& plugin : plugins) {
        const std::string uri = Lowered(plugin.m_strUri);
        const std::string last = uri.substr(uri.find_last_of("/#:") + 1);
        if (lowered == Lowered(plugin.m_strName) || lowered == last)
            return plugin.m_strUri;
    }
    std::optional<std::string> nearest;
    std::size_t best = std::max<std::size_t>(3, typed.size() / 10) + 1;
    for (const PluginDescription& plugin : plugins) {
        const std::size_t distance = EditDistance(lowered, Lowered(plugin.m_strUri));
        if (distance < best) {
            best = distance;
            nearest = plugin.m_strUri;
        }
    }
    return nearest;
}

PluginDescription ReadPlugin(const toml::node& node)
{
    const std::string uri = ReadText(node, "plugin", kPluginForm);
    if (const std::optional<PluginDescription> plugin = DescribeInstalledPlugin(uri)) {
        if (plugin->m_unusable)
            Refuse(LineOf(node), "the plugin '" + uri + "' (" + plugin->m_strName + ") cannot be used as an effect: " +
                                     *plugin->m_unusable);
        return *plugin;
    }
    std::string text = "no plugin '" + uri + "' is installed";
    if (const auto nearest = NearestPlugin(uri))
        text.append(" (did you mean '").append(*nearest).append("'?)");
    Refuse(LineOf(node), text + "; " + kListHint);
}

std::string ControlList(const PluginDescription& plugin)
{
    if (plugin.m_controls.empty())
        return "it has no controls";
    std::string text = "it takes ";
    for (std::size_t i = 0; i < plugin.m_controls.size(); ++i)
        text += (i == 0 ? "" : i + 1 == plugin.m_controls.size() ? " and " : ", ") + plugin.m_controls[i].m_strSymbol;
    return text;
}

const ControlDescription& FindKnownControl(const PluginDescription& plugin, const toml::key& key)
{
    const std::string symbol(key.str());
    if (const ControlDescription* control = FindControl(plugin, symbol))
        return *control;
    std::vector<std::string> symbols;
    for (const ControlDescription& control : plugin.m_controls)
        symbols.push_back(control.m_strSymbol);
    std::string text = "unknown control '" + symbol + "' of " + plugin.m_strName;
    if (const auto nearest = NearestOption(symbol, symbols))
        Refuse(LineOf(key), text + " (did you mean '" + *nearest + "'?)");
    Refuse(LineOf(key), text + "; " + ControlList(plugin));
}

double ReadControlValue(const toml::node& node, const ControlDescription& control)
{
    const std::string what = "controls." + control.m_strSymbol;
    if (const auto* flag = node.as_boolean())
        return flag->get() ? 1.0 : 0.0;
    const double value = ReadNumber(node, what, "a number (or true or false for a switch)");
    if (const auto problem = ControlValueProblem(control, value))
        Refuse(LineOf(node), what + " is " + QuoteValue(node) + "; " + *problem);
    return value;
}

std::map<std::string, double> ReadControls(const toml::node& node, const PluginDescription& plugin)
{
    const toml::table& table =
        ReadTable(node, "controls", "a table of the plugin's controls, such as controls = { size = 0.8 }");
    std::map<std::string, double> controls;
    for (const auto& [key, value] : table) {
        const ControlDescription& control = FindKnownControl(plugin, key);
        controls[control.m_strSymbol] = ReadControlValue(value, control);
    }
    return controls;
}

std::optional<std::string> ReadVersion(const toml::node& node)
{
    const std::string version = ReadText(node, "version", kVersionForm);
    const std::size_t dot = version.find('.');
    const bool digits = !version.empty() && std::all_of(version.begin(), version.end(), [](char c) {
        return std::isdigit(static_cast<unsigned char>(c)) || c == '.';
    });
    if (!digits || dot == std::string::npos || dot == 0 || dot + 1 == version.size() ||
        version.find('.', dot + 1) != std::string::npos || version.size() > 21)
        Refuse(LineOf(node), "version is " + QuoteValue(node) + "; it must be " + std::string(kVersionForm));
    return version;
}

void CheckEffectKeys(const toml::table& table)
{
    for (const auto& [key, node] : table) {
        const std::string name(key.str());
        if (std::find(kEffectKeys.begin(), kEffectKeys.end(), name) != kEffectKeys.end())
            continue;
        std::string text = "unknown key '" + name + "' in an effect";
        if (const auto nearest = NearestOption(name, kEffectKeys))
            Refuse(LineOf(key), text + " (did you mean '" + *nearest + "'?)");
        Refuse(LineOf(key), text + "; it takes plugin, controls and version");
    }
}

EffectSetting ReadEffect(const toml::table& table, std::string_view header)
{
    CheckEffectKeys(table);
    EffectSetting effect;
    effect.m_nLine = LineOf(table);
    const toml::node* plugin = table.get("plugin");
    if (!plugin)
        Refuse(effect.m_nLine, "an effect without a plugin; below " + std::string(header) + " name one by its URI, "
                               "such as plugin = \"http://drobilla.net/plugins/mda/Ambience\"; " + kListHint);
    const PluginDescription description = ReadPlugin(*plugin);
    effect.m_strPlugin = description.m_strUri;
    if (const toml::node* controls = table.get("controls"))
        effect.m_controls = ReadControls(*controls, description);
    if (const toml::node* version = table.get("version"))
        effect.m_version = ReadVersion(*version);
    return effect;
}

std::string ControlsText(const std::map<std::string, double>& controls)
{
    std::string text;
    for (const auto& [symbol, value] : controls)
        text.append(text.empty() ? "" : ", ").append(symbol).append(" = ").append(FormatNumber(value));
    return "{ " + text + (text.empty() ? "}" : " }");
}

}  // namespace

EffectChainSetting ReadEffects(const toml::node& node, std::string_view header)
{
    const std::string what(header.substr(2, header.size() - 4));
    const toml::array& tables = ReadArrayOfTables(node, what, header);
    EffectChainSetting effects;
    for (const toml::node& item : tables)
        effects.push_back(ReadEffect(ReadTable(item, "an effect", "a table, below a " + std::string(header) + " line"),
                                     header));
    return effects;
}

std::optional<int> FirstEffectLine(const Score& score)
{
    for (const ScoreLayer& layer : score.m_layers) {
        if (!layer.m_effects.empty())
            return layer.m_effects.front().m_nLine;
    }
    if (!score.m_effects.empty())
        return score.m_effects.front().m_nLine;
    return std::nullopt;
}

std::string WriteEffects(const EffectChainSetting& effects, std::string_view header)
{
    std::string text;
    for (const EffectSetting& effect : effects) {
        text.append("\n").append(header).append("\n");
        text.append("plugin = ").append(QuoteTomlString(effect.m_strPlugin)).append("\n");
        if (!effect.m_controls.empty())
            text.append("controls = ").append(ControlsText(effect.m_controls)).append("\n");
        if (effect.m_version)
            text.append("version = ").append(QuoteTomlString(*effect.m_version)).append("\n");
    }
    return text;
}

EffectChainSetting WithInstalledVersions(const EffectChainSetting& effects)
{
    EffectChainSetting stamped = effects;
    for (EffectSetting& effect : stamped) {
        const std::optional<PluginDescription> plugin = DescribeInstalledPlugin(effect.m_strPlugin);
        effect.m_version = plugin ? plugin->m_version : std::nullopt;
    }
    return stamped;
}

std::vector<std::string> EffectVersionNotes(const Score& score, const std::string& displayName)
{
    std::vector<const EffectSetting*> effects;
    for (const ScoreLayer& layer : score.m_layers) {
        for (const EffectSetting& effect : layer.m_effects)
            effects.push_back(&effect);
    }
    for (const EffectSetting& effect : score.m_effects)
        effects.push_back(&effect);
    std::vector<std::string> notes;
    for (const EffectSetting* effect : effects) {
        if (!effect->m_version)
            continue;
        const std::optional<PluginDescription> plugin = DescribeInstalledPlugin(effect->m_strPlugin);
        const std::optional<std::string> installed = plugin ? plugin->m_version : std::nullopt;
        if (installed == effect->m_version)
            continue;
        notes.push_back(ScoreMessage(displayName, effect->m_nLine,
                                     "the effect plugin " + effect->m_strPlugin + " is " +
                                         (installed ? "version " + *installed : "of no stated version") +
                                         " here; the score was stored with version " + *effect->m_version +
                                         ", so the sound may differ from the stored one's"));
    }
    return notes;
}
