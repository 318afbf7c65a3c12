#include "cli/effect_listing.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <cstring>
#include <ostream>

#include "cli/exit_status.h"

namespace {

const char kNoneInstalled[] =
    "No LV2 plugins are installed where lilv looks for them (the folders in LV2_PATH, else ~/.lv2, "
    "/usr/local/lib/lv2 and /usr/lib/lv2). Debian's packages of them, such as mda-lv2, swh-lv2, "
    "calf-plugins or x42-plugins, add some.\n";

std::string Number(float value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%g", static_cast<double>(value));
    return text;
}

std::string Heading(const PluginDescription& plugin)
{
    std::string heading = plugin.m_strUri;
    heading.append("\n    ").append(plugin.m_strName);
    if (plugin.m_version)
        heading.append(", version ").append(*plugin.m_version);
    if (plugin.m_nAudioInputs == 1 && plugin.m_nAudioOutputs == 1)
        heading.append(", mono (run once for each side)");
    if (plugin.m_bReportsLatency)
        heading.append(", reports a latency (taken off)");
    return heading + "\n";
}

std::string ControlLine(const ControlDescription& control, std::size_t symbolWidth)
{
    std::string line = "      " + control.m_strSymbol;
    line.append(symbolWidth - control.m_strSymbol.size() + 2, ' ');
    line.append(control.m_strName).append(": ").append(DescribeControlRange(control));
    if (!std::isnan(control.m_fDefault))
        line.append(", default ").append(Number(control.m_fDefault));
    if (control.m_bLogarithmic)
        line.append(", logarithmic");
    return line + "\n";
}

std::string PluginEntry(const PluginDescription& plugin)
{
    std::string entry = Heading(plugin);
    if (plugin.m_controls.empty())
        return entry + "      no controls\n";
    std::size_t width = 0;
    for (const ControlDescription& control : plugin.m_controls)
        width = std::max(width, control.m_strSymbol.size());
    for (const ControlDescription& control : plugin.m_controls)
        entry += ControlLine(control, width);
    return entry;
}

}  // namespace

bool AsksForEffectList(int argc, const char* const* argv)
{
    for (int i = 1; i < argc; ++i) {
        if (std::strcmp(argv[i], kListEffectsOption) == 0)
            return true;
    }
    return false;
}

std::string FormatEffectList(const std::vector<PluginDescription>& plugins)
{
    if (plugins.empty())
        return kNoneInstalled;
    std::string usable, unusable;
    for (const PluginDescription& plugin : plugins) {
        if (plugin.m_unusable)
            unusable += "  " + plugin.m_strUri + ": " + *plugin.m_unusable + "\n";
        else
            usable += PluginEntry(plugin);
    }
    std::string text = "Effects a score can name by URI, with their controls by symbol: the values each takes "
                       "and its default\n(plugin = \"URI\", controls = { symbol = value, ... }):\n\n";
    text += usable.empty() ? "  none\n" : usable;
    if (!unusable.empty())
        text += "\nInstalled, but not effects this host can run:\n" + unusable;
    return text;
}

int PrintEffectList(int argc, const char* const*, std::ostream& out, std::ostream& errors)
{
    if (argc != 2) {
        errors << "sonnelith-cli: " << kListEffectsOption
               << " takes nothing else on the command line: sonnelith-cli --list-effects\n";
        return kExitUsage;
    }
    out << FormatEffectList(InstalledPlugins());
    out.flush();
    if (!out) {
        errors << "sonnelith-cli: could not write the list to standard output\n";
        return kExitRunFailed;
    }
    return kExitSuccess;
}
