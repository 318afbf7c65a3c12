// The sound of one source's grains: a GrainSynthesizer driven window by window
// or over the whole output, restarted from the same seed each time.
#pragma once

#include <cstdint>
#include <optional>

#include "engine/synthesis/sound_synthesis.h"
#include "engine/shaping/layer_shaping.h"
#include "engine/synthesis/grain_synthesizer.h"

class GrainSoundSynthesis : public SoundSynthesis {
public:
    // synthesizer has its settings and options; source (and terms, its spline
    // coefficients, if not null) stays in place while the synthesis lasts.
    // seed is the generator state every Begin starts from.
    GrainSoundSynthesis(GrainSynthesizer& synthesizer, const OctaveLevels& source, std::uint32_t seed,
                        const SplineTerms* terms = nullptr);

    // Shapes the sound after its grains (its tone, width and pan); a plan
    // that asks for nothing leaves it as the grains make it.
    void SetShaping(const ShapingPlan& plan);

    bool Begin(std::uint64_t frames) override;
    void RenderWindow(std::span<StereoFrame> window, std::uint64_t first) override;
    void RenderWhole(std::span<StereoFrame> sound, const GrainProgress& progress) override;
    void End() override;

private:
    GrainSynthesizer& m_synthesizer;
    const OctaveLevels& m_source;
    const SplineTerms* m_pTerms;
    std::uint32_t m_nSeed;
    std::optional<LayerShaping> m_shaping;
};
