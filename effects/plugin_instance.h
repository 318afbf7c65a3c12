// One running copy of an LV2 plugin: instantiated at the run's rate with this
// host's features, every port connected to a buffer of its own, controls set
// by symbol, run one block of kEffectBlockFrames at a time.
#pragma once

#include <lilv/lilv.h>
#include <lv2/worker/worker.h>

#include <cstdint>
#include <map>
#include <string>
#include <vector>

#include "effects/port_layout.h"

class PluginInstance {
public:
    // Instantiates plugin (the caller holds the world's lock) with its control
    // inputs at their defaults, then at controls (by symbol). name names the
    // plugin in messages. Raises EffectFailure when a control is unknown or
    // the plugin will not instantiate.
    PluginInstance(const LilvPlugin* plugin, const PortLayout& layout, const std::map<std::string, double>& controls,
                   const std::string& name);
    ~PluginInstance();

    PluginInstance(const PluginInstance&) = delete;
    PluginInstance& operator=(const PluginInstance&) = delete;

    // The block of an audio port: the caller fills an input's before Run and
    // reads an output's after it.
    float* AudioBuffer(std::uint32_t port) { return m_audio[port].data(); }

    void Activate();
    // Runs one block of kEffectBlockFrames, then hands the plugin what its
    // worker answered during it.
    void Run();
    // The latency the plugin reports after a Run, in whole frames; 0 when it
    // reports none.
    std::uint32_t GetLatencyFrames() const;

private:
    void ConnectPorts(const PortLayout& layout);
    void SetControls(const PortLayout& layout, const std::map<std::string, double>& controls, const std::string& name);
    void ResetAtomPorts();
    void DeliverWorkerResponses();

    static LV2_Worker_Status ScheduleWork(LV2_Worker_Schedule_Handle handle, std::uint32_t size, const void* data);
    static LV2_Worker_Status Respond(LV2_Worker_Respond_Handle handle, std::uint32_t size, const void* data);

    LilvInstance* m_pInstance = nullptr;
    bool m_bActive = false;
    std::vector<float> m_controls;                 // by port: control ports' values
    std::vector<std::vector<float>> m_audio;       // by port: audio and CV blocks
    std::vector<std::vector<std::uint64_t>> m_atoms;  // by port: atom sequences, 8-byte aligned
    std::vector<PortKind> m_kinds;                 // by port
    std::int64_t m_nLatencyPort = -1;
    std::uint32_t m_nSequenceType = 0;  // URIDs of an atom port's empty input and its output's room
    std::uint32_t m_nChunkType = 0;

    // The worker runs in line: work is done the moment the plugin asks for
    // it, and its answers reach the plugin after the block, which is what a
    // worker thread would give an offline host, without its timing.
    LV2_Worker_Schedule m_schedule{};
    const LV2_Worker_Interface* m_pWorker = nullptr;
    std::vector<std::vector<std::uint8_t>> m_responses;
};
