// One LV2 plugin on stereo sound, whatever its own channels:
//
//   - one audio input and one output (a mono plugin): two instances, one per
//     channel, with the same controls;
//   - two or more inputs and outputs: one instance, its left and right ports
//     (by their port-group designation, else the first two) on ours;
//   - one input and two or more outputs: one instance fed the middle,
//     (left + right) / 2, giving both sides;
//   - two or more inputs and one output: one instance, its output on both sides.
//
// Any further audio input hears silence (a side chain, say) and any further
// output is dropped.
#pragma once

#include <cstdint>
#include <memory>
#include <string>
#include <vector>

#include "effects/plugin_instance.h"
#include "engine/score/effect_setting.h"

class StereoEffect {
public:
    // The installed plugin the setting names, instantiated and activated.
    // Raises EffectFailure when it is not installed, cannot run here, or a
    // control is unknown or out of its range.
    explicit StereoEffect(const EffectSetting& setting);
    ~StereoEffect();

    // One block of kEffectBlockFrames per channel, from the in blocks to the
    // out blocks (which never overlap them).
    void Process(const float* inLeft, const float* inRight, float* outLeft, float* outRight);

    // Its latency in frames, as it reports it after the first Process.
    std::uint32_t GetLatencyFrames() const;
    // "MDA Ambience (http://drobilla.net/plugins/mda/Ambience)": how messages name it.
    const std::string& GetDisplayName() const { return m_strDisplayName; }

private:
    std::string m_strDisplayName;
    std::vector<std::unique_ptr<PluginInstance>> m_instances;  // one, or two for a mono plugin
    std::vector<std::uint32_t> m_inputs;   // the audio inputs fed, up to two
    std::vector<std::uint32_t> m_outputs;  // the audio outputs heard, up to two
};
