#include "effects/plugin_instance.h"

#include <lv2/atom/atom.h>

#include <cmath>
#include <cstring>

#include "effects/effect_block.h"
#include "effects/effect_failure.h"
#include "effects/host_features.h"
#include "engine/base/stereo_frame.h"

namespace {

// A port's starting value: its default, else its minimum, else 0, within
// its range.
float StartingValue(const PortEntry& port)
{
    float value = !std::isnan(port.m_fDefault) ? port.m_fDefault : !std::isnan(port.m_fMinimum) ? port.m_fMinimum : 0.0f;
    if (!std::isnan(port.m_fMinimum) && value < port.m_fMinimum)
        value = port.m_fMinimum;
    if (!std::isnan(port.m_fMaximum) && value > port.m_fMaximum)
        value = port.m_fMaximum;
    return value;
}

constexpr std::size_t kAtomWords = kAtomBufferBytes / sizeof(std::uint64_t);

}  // namespace

PluginInstance::PluginInstance(const LilvPlugin* plugin, const PortLayout& layout,
                               const std::map<std::string, double>& controls, const std::string& name)
{
    m_schedule = {this, &ScheduleWork};
    m_nSequenceType = HostFeatures::Get().Map(LV2_ATOM__Sequence);
    m_nChunkType = HostFeatures::Get().Map(LV2_ATOM__Chunk);
    std::vector<LV2_Feature> own = {{LV2_WORKER__schedule, &m_schedule}};
    std::vector<const LV2_Feature*> features = HostFeatures::Get().Shared();
    features.push_back(&own.front());
    features.push_back(nullptr);
    m_pInstance = lilv_plugin_instantiate(plugin, kRunSampleRate, features.data());
    if (!m_pInstance)
        throw EffectFailure("the effect plugin " + name + " could not be started (its library failed to load or "
                            "to make an instance at 44100 Hz)");
    m_pWorker = static_cast<const LV2_Worker_Interface*>(
        lilv_instance_get_extension_data(m_pInstance, LV2_WORKER__interface));
    try {
        ConnectPorts(layout);
        SetControls(layout, controls, name);
    } catch (...) {
        lilv_instance_free(m_pInstance);
        throw;
    }
}

PluginInstance::~PluginInstance()
{
    if (m_bActive)
        lilv_instance_deactivate(m_pInstance);
    lilv_instance_free(m_pInstance);
}

void PluginInstance::ConnectPorts(const PortLayout& layout)
{
    const std::size_t count = layout.m_ports.size();
    m_controls.assign(count, 0.0f);
    m_audio.resize(count);
    m_atoms.resize(count);
    m_kinds.resize(count);
    for (const PortEntry& port : layout.m_ports) {
        const std::uint32_t index = port.m_nIndex;
        m_kinds[index] = port.m_kind;
        void* buffer = nullptr;
        switch (port.m_kind) {
        case PortKind::AudioInput:
        case PortKind::AudioOutput:
        case PortKind::CvOutput: m_audio[index].assign(kEffectBlockFrames, 0.0f); buffer = m_audio[index].data(); break;
        case PortKind::CvInput:
            m_audio[index].assign(kEffectBlockFrames, StartingValue(port));
            buffer = m_audio[index].data();
            break;
        case PortKind::ControlInput:
            m_controls[index] = StartingValue(port);
            buffer = &m_controls[index];
            break;
        case PortKind::ControlOutput: buffer = &m_controls[index]; break;
        case PortKind::AtomInput:
        case PortKind::AtomOutput: m_atoms[index].assign(kAtomWords, 0); buffer = m_atoms[index].data(); break;
        case PortKind::Unsupported: break;  // optional: left unconnected
        }
        lilv_instance_connect_port(m_pInstance, index, buffer);
    }
    if (layout.m_latencyPort && *layout.m_latencyPort < count &&
        layout.m_ports[*layout.m_latencyPort].m_kind == PortKind::ControlOutput)
        m_nLatencyPort = *layout.m_latencyPort;
}

void PluginInstance::SetControls(const PortLayout& layout, const std::map<std::string, double>& controls,
                                 const std::string& name)
{
    for (const auto& [symbol, value] : controls) {
        bool found = false;
        for (const PortEntry& port : layout.m_ports) {
            if (port.m_kind == PortKind::ControlInput && port.m_strSymbol == symbol) {
                m_controls[port.m_nIndex] = static_cast<float>(value);
                found = true;
            }
        }
        if (!found)
            throw EffectFailure("the effect plugin " + name + " has no control '" + symbol + "'");
    }
}

void PluginInstance::Activate()
{
    lilv_instance_activate(m_pInstance);
    m_bActive = true;
}

void PluginInstance::ResetAtomPorts()
{
    for (std::size_t index = 0; index < m_kinds.size(); ++index) {
        if (m_kinds[index] == PortKind::AtomInput) {
            auto* sequence = reinterpret_cast<LV2_Atom_Sequence*>(m_atoms[index].data());
            sequence->atom.size = sizeof(LV2_Atom_Sequence_Body);
            sequence->atom.type = m_nSequenceType;
            sequence->body.unit = 0;
            sequence->body.pad = 0;
        } else if (m_kinds[index] == PortKind::AtomOutput) {
            auto* atom = reinterpret_cast<LV2_Atom*>(m_atoms[index].data());
            atom->size = kAtomBufferBytes - sizeof(LV2_Atom);
            atom->type = m_nChunkType;
        }
    }
}

void PluginInstance::Run()
{
    ResetAtomPorts();
    lilv_instance_run(m_pInstance, kEffectBlockFrames);
    DeliverWorkerResponses();
}

void PluginInstance::DeliverWorkerResponses()
{
    if (!m_pWorker)
        return;
    LV2_Handle handle = lilv_instance_get_handle(m_pInstance);
    // Taken out first: an answer may make the plugin schedule more work,
    // which is then done at once and answered after the next block.
    std::vector<std::vector<std::uint8_t>> responses;
    responses.swap(m_responses);
    for (const std::vector<std::uint8_t>& response : responses) {
        if (m_pWorker->work_response)
            m_pWorker->work_response(handle, static_cast<std::uint32_t>(response.size()), response.data());
    }
    if (m_pWorker->end_run)
        m_pWorker->end_run(handle);
}

LV2_Worker_Status PluginInstance::ScheduleWork(LV2_Worker_Schedule_Handle handle, std::uint32_t size,
                                               const void* data)
{
    auto* self = static_cast<PluginInstance*>(handle);
    if (!self->m_pWorker || !self->m_pWorker->work)
        return LV2_WORKER_ERR_UNKNOWN;
    return self->m_pWorker->work(lilv_instance_get_handle(self->m_pInstance), &Respond, self, size, data);
}

LV2_Worker_Status PluginInstance::Respond(LV2_Worker_Respond_Handle handle, std::uint32_t size, const void* data)
{
    auto* self = static_cast<PluginInstance*>(handle);
    const auto* bytes = static_cast<const std::uint8_t*>(data);
    self->m_responses.emplace_back(bytes, bytes + size);
    return LV2_WORKER_SUCCESS;
}

std::uint32_t PluginInstance::GetLatencyFrames() const
{
    if (m_nLatencyPort < 0)
        return 0;
    const float latency = m_controls[static_cast<std::size_t>(m_nLatencyPort)];
    // A plugin's latency is whole frames; anything else (negative, not a
    // number, beyond a minute) is taken as none rather than trusted.
    if (!(latency > 0.0f) || latency > 60.0f * kRunSampleRate)
        return 0;
    return static_cast<std::uint32_t>(std::lround(latency));
}
