#include "effects/lv2_world.h"

#include <lv2/atom/atom.h>
#include <lv2/core/lv2.h>
#include <lv2/event/event.h>
#include <lv2/port-groups/port-groups.h>
#include <lv2/port-props/port-props.h>
#include <lv2/worker/worker.h>

#include <cstdlib>
#include <filesystem>
#include <sstream>
#include <string>
#include <system_error>

namespace {

// lilv makes a URI of each folder in LV2_PATH as it stands, and a relative
// folder gives an invalid one that it then crashes on: they are made
// absolute first (those starting with ~ lilv expands itself).
void MakeLv2PathAbsolute()
{
    const char* path = std::getenv("LV2_PATH");
    if (!path)
        return;
    std::istringstream folders(path);
    std::string folder;
    std::string absolute;
    while (std::getline(folders, folder, ':')) {
        if (folder.empty())
            continue;
        std::error_code error;
        const std::filesystem::path made =
            folder[0] == '~' ? std::filesystem::path(folder) : std::filesystem::absolute(folder, error);
        if (!absolute.empty())
            absolute += ':';
        absolute += error ? folder : made.lexically_normal().string();
    }
    setenv("LV2_PATH", absolute.c_str(), 1);
}

LilvWorld* NewWorld()
{
    MakeLv2PathAbsolute();
    return lilv_world_new();
}

LilvNode* Uri(LilvWorld* world, const char* uri)
{
    return lilv_new_uri(world, uri);
}

}  // namespace

Lv2World& Lv2World::Get()
{
    static Lv2World world;
    return world;
}

Lv2World::Lv2World() : m_pWorld(NewWorld())
{
    lilv_world_load_all(m_pWorld);
    LilvWorld* w = m_pWorld;
    m_nodes.m_pInputPort = Uri(w, LV2_CORE__InputPort);
    m_nodes.m_pOutputPort = Uri(w, LV2_CORE__OutputPort);
    m_nodes.m_pAudioPort = Uri(w, LV2_CORE__AudioPort);
    m_nodes.m_pControlPort = Uri(w, LV2_CORE__ControlPort);
    m_nodes.m_pCvPort = Uri(w, LV2_CORE__CVPort);
    m_nodes.m_pAtomPort = Uri(w, LV2_ATOM__AtomPort);
    m_nodes.m_pEventPort = Uri(w, LV2_EVENT__EventPort);
    m_nodes.m_pConnectionOptional = Uri(w, LV2_CORE__connectionOptional);
    m_nodes.m_pToggled = Uri(w, LV2_CORE__toggled);
    m_nodes.m_pInteger = Uri(w, LV2_CORE__integer);
    m_nodes.m_pEnumeration = Uri(w, LV2_CORE__enumeration);
    m_nodes.m_pLogarithmic = Uri(w, LV2_PORT_PROPS__logarithmic);
    m_nodes.m_pSampleRate = Uri(w, LV2_CORE__sampleRate);
    m_nodes.m_pReportsLatency = Uri(w, LV2_CORE__reportsLatency);
    m_nodes.m_pLeft = Uri(w, LV2_PORT_GROUPS__left);
    m_nodes.m_pRight = Uri(w, LV2_PORT_GROUPS__right);
    m_nodes.m_pDesignation = Uri(w, LV2_CORE__designation);
    m_nodes.m_pMinorVersion = Uri(w, LV2_CORE__minorVersion);
    m_nodes.m_pMicroVersion = Uri(w, LV2_CORE__microVersion);
    m_nodes.m_pWorkerInterface = Uri(w, LV2_WORKER__interface);
}

Lv2World::~Lv2World()
{
    for (LilvNode* node :
         {m_nodes.m_pInputPort, m_nodes.m_pOutputPort, m_nodes.m_pAudioPort, m_nodes.m_pControlPort,
          m_nodes.m_pCvPort, m_nodes.m_pAtomPort, m_nodes.m_pEventPort, m_nodes.m_pConnectionOptional,
          m_nodes.m_pToggled, m_nodes.m_pInteger, m_nodes.m_pEnumeration, m_nodes.m_pLogarithmic,
          m_nodes.m_pSampleRate, m_nodes.m_pReportsLatency, m_nodes.m_pLeft, m_nodes.m_pRight, m_nodes.m_pDesignation,
          m_nodes.m_pMinorVersion, m_nodes.m_pMicroVersion, m_nodes.m_pWorkerInterface})
        lilv_node_free(node);
    lilv_world_free(m_pWorld);
}

const LilvPlugin* Lv2World::Find(const std::string& uri) const
{
    // Compared as text: lilv would complain aloud about a text that is no URI
    // (a plugin's name given instead, say).
    const LilvPlugins* plugins = Plugins();
    LILV_FOREACH (plugins, i, plugins) {
        const LilvPlugin* plugin = lilv_plugins_get(plugins, i);
        if (uri == lilv_node_as_uri(lilv_plugin_get_uri(plugin)))
            return plugin;
    }
    return nullptr;
}
