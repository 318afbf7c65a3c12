// How far a layer's own part below 20 Hz reaches in a mix: a survey of the
// layer's sound as it goes into the mix (after its gain), so that a render of
// several layers can tell which of them spends the track's level on rumble.
#pragma once

#include <cstdint>
#include <span>
#include <vector>

#include "engine/sub_audio/sub_audio_meter.h"
#include "engine/base/stereo_frame.h"

// Takes the layer's frames [first, end) of the render, each once and in
// order; frames outside are left out. The layer's mean over them is taken
// off the extremes of its part below 20 Hz, as the finishing takes the mix's
// mean off.
class LayerSubAudio {
public:
    LayerSubAudio(std::uint64_t first, std::uint64_t end);

    // The layer's sound from frame first of the render, each frame times its
    // gain in gains (empty: 1 throughout).
    void Measure(std::span<const StereoFrame> sound, std::span<const float> gains, std::uint64_t first);
    // count frames of silence from frame first.
    void MeasureSilence(std::uint64_t count, std::uint64_t first);

    // The largest magnitude the layer's part below 20 Hz reaches about its
    // mean, in the mix's units (before the finishing scales the mix).
    double Peak() const;

private:
    void Take(std::span<const StereoFrame> frames);

    std::uint64_t m_nFirst;
    std::uint64_t m_nEnd;
    SubAudioMeter m_meter;
    double m_dSumLeft = 0.0;
    double m_dSumRight = 0.0;
    std::uint64_t m_nFrames = 0;
    std::vector<StereoFrame> m_scaled;
};
