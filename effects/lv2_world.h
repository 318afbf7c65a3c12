// The installed LV2 plugins as lilv finds them: one world for the whole
// program, loaded on first use from the folders LV2_PATH names (lilv's own
// defaults without it: ~/.lv2, /usr/local/lib/lv2, /usr/lib/lv2).
#pragma once

#include <lilv/lilv.h>

#include <mutex>
#include <string>

// The URIs the host asks the world about, made once.
struct Lv2Nodes {
    LilvNode* m_pInputPort = nullptr;
    LilvNode* m_pOutputPort = nullptr;
    LilvNode* m_pAudioPort = nullptr;
    LilvNode* m_pControlPort = nullptr;
    LilvNode* m_pCvPort = nullptr;
    LilvNode* m_pAtomPort = nullptr;
    LilvNode* m_pEventPort = nullptr;
    LilvNode* m_pConnectionOptional = nullptr;
    LilvNode* m_pToggled = nullptr;
    LilvNode* m_pInteger = nullptr;
    LilvNode* m_pEnumeration = nullptr;
    LilvNode* m_pLogarithmic = nullptr;
    LilvNode* m_pSampleRate = nullptr;  // a port whose range is in fractions of the sample rate
    LilvNode* m_pReportsLatency = nullptr;
    LilvNode* m_pLeft = nullptr;   // port-groups: the left channel
    LilvNode* m_pRight = nullptr;  // port-groups: the right channel
    LilvNode* m_pDesignation = nullptr;
    LilvNode* m_pMinorVersion = nullptr;
    LilvNode* m_pMicroVersion = nullptr;
    LilvNode* m_pWorkerInterface = nullptr;
};

class Lv2World {
public:
    // The world, loaded by the first call. lilv is not thread-safe: whoever
    // asks it anything holds Lock() (plugins' run calls need no lock).
    static Lv2World& Get();

    Lv2World(const Lv2World&) = delete;
    Lv2World& operator=(const Lv2World&) = delete;

    std::mutex& Lock() { return m_lock; }
    LilvWorld* World() const { return m_pWorld; }
    const Lv2Nodes& Nodes() const { return m_nodes; }
    const LilvPlugins* Plugins() const { return lilv_world_get_all_plugins(m_pWorld); }
    // The installed plugin with this URI; null when none is.
    const LilvPlugin* Find(const std::string& uri) const;

private:
    Lv2World();
    ~Lv2World();

    std::mutex m_lock;
    LilvWorld* m_pWorld = nullptr;
    Lv2Nodes m_nodes;
};
