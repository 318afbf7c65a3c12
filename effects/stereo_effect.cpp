#include "effects/stereo_effect.h"

#include <algorithm>
#include <cstring>

#include "effects/effect_block.h"
#include "effects/effect_failure.h"
#include "effects/lv2_world.h"
#include "effects/plugin_catalogue.h"
#include "effects/plugin_crash_report.h"

namespace {

void CheckControls(const PluginDescription& plugin, const EffectSetting& setting, const std::string& name)
{
    for (const auto& [symbol, value] : setting.m_controls) {
        const ControlDescription* control = FindControl(plugin, symbol);
        if (!control)
            throw EffectFailure("the effect plugin " + name + " has no control '" + symbol + "'");
        if (const auto problem = ControlValueProblem(*control, value))
            throw EffectFailure("the control '" + symbol + "' of the effect plugin " + name + " is " +
                                std::to_string(value) + "; " + *problem);
    }
}

void Copy(const float* from, float* to)
{
    std::memcpy(to, from, kEffectBlockFrames * sizeof(float));
}

}  // namespace

StereoEffect::StereoEffect(const EffectSetting& setting)
{
    const std::optional<PluginDescription> description = DescribeInstalledPlugin(setting.m_strPlugin);
    if (!description)
        throw EffectFailure("no effect plugin " + setting.m_strPlugin + " is installed");
    m_strDisplayName = description->m_strName + " (" + setting.m_strPlugin + ")";
    if (description->m_unusable)
        throw EffectFailure("the effect plugin " + m_strDisplayName + " cannot be used: " + *description->m_unusable);
    CheckControls(*description, setting, m_strDisplayName);

    Lv2World& world = Lv2World::Get();
    const std::lock_guard<std::mutex> hold(world.Lock());
    const LilvPlugin* plugin = world.Find(setting.m_strPlugin);
    const PortLayout layout = ReadPortLayout(plugin, world.Nodes());
    const bool mono = layout.m_audioInputs.size() == 1 && layout.m_audioOutputs.size() == 1;
    const InsidePlugin inside(m_strDisplayName);
    try {
        for (int copy = 0; copy < (mono ? 2 : 1); ++copy)
            m_instances.push_back(
                std::make_unique<PluginInstance>(plugin, layout, setting.m_controls, m_strDisplayName));
    } catch (const EffectFailure&) {
        m_instances.clear();  // while the world is held
        throw;
    }
    m_inputs.assign(layout.m_audioInputs.begin(),
                    layout.m_audioInputs.begin() + std::min<std::ptrdiff_t>(2, std::ssize(layout.m_audioInputs)));
    m_outputs.assign(layout.m_audioOutputs.begin(),
                     layout.m_audioOutputs.begin() + std::min<std::ptrdiff_t>(2, std::ssize(layout.m_audioOutputs)));
    for (const auto& instance : m_instances)
        instance->Activate();
}

StereoEffect::~StereoEffect()
{
    // Freeing an instance closes its library, which lilv keeps count of in
    // the world.
    Lv2World& world = Lv2World::Get();
    const std::lock_guard<std::mutex> hold(world.Lock());
    const InsidePlugin inside(m_strDisplayName);
    m_instances.clear();
}

void StereoEffect::Process(const float* inLeft, const float* inRight, float* outLeft, float* outRight)
{
    const InsidePlugin inside(m_strDisplayName);
    if (m_instances.size() == 2) {
        PluginInstance& left = *m_instances[0];
        PluginInstance& right = *m_instances[1];
        Copy(inLeft, left.AudioBuffer(m_inputs[0]));
        Copy(inRight, right.AudioBuffer(m_inputs[0]));
        left.Run();
        right.Run();
        Copy(left.AudioBuffer(m_outputs[0]), outLeft);
        Copy(right.AudioBuffer(m_outputs[0]), outRight);
        return;
    }
    PluginInstance& instance = *m_instances[0];
    if (m_inputs.size() == 2) {
        Copy(inLeft, instance.AudioBuffer(m_inputs[0]));
        Copy(inRight, instance.AudioBuffer(m_inputs[1]));
    } else {
        float* middle = instance.AudioBuffer(m_inputs[0]);
        for (std::uint32_t i = 0; i < kEffectBlockFrames; ++i)
            middle[i] = (inLeft[i] + inRight[i]) * 0.5f;
    }
    instance.Run();
    Copy(instance.AudioBuffer(m_outputs[0]), outLeft);
    Copy(instance.AudioBuffer(m_outputs[m_outputs.size() == 2 ? 1 : 0]), outRight);
}

std::uint32_t StereoEffect::GetLatencyFrames() const
{
    return m_instances.front()->GetLatencyFrames();
}
