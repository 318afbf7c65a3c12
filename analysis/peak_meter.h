// A sample peak meter per channel, with a falling bar and a held peak.
#pragma once

#include <cstddef>
#include <cstdint>

#include "engine/finishing/stretch_observer.h"

struct PeakMeterSettings {
    double m_dHoldSeconds = 1.5;         // a peak mark stays this long before it falls
    double m_dFallDbPerSecond = 20.0;    // how fast the bar and a released mark fall
};

// The bar follows each channel's largest absolute sample at once and falls
// back exponentially (a steady rate in dB) when the sound gets quieter; the
// mark holds the highest sample of the last hold time, then falls at the same
// rate. Both are linear amplitudes (1.0 is full scale); AmplitudeToDb turns
// them into what a scale shows. A sample beyond full scale (a preview gain
// pushing it there) lights the over flag until ClearOver. The fall is per
// frame, so readings do not depend on how the sound is cut into stretches.
//
// Allocation-free; not for two threads at once, like the other observers.
class PeakMeter final : public StretchObserver {
public:
    explicit PeakMeter(const PeakMeterSettings& settings = {});

    void OnStretch(const StereoFrame* frames, std::size_t count) override;
    // Everything back to silence, over flag included.
    void Reset();

    float GetLevel(int channel) const { return m_channels[channel].m_fLevel; }
    float GetHeldPeak(int channel) const { return m_channels[channel].m_fHeld; }
    bool IsOver() const { return m_bOver; }
    void ClearOver() { m_bOver = false; }

private:
    struct Channel {
        float m_fLevel = 0.0f;
        float m_fHeld = 0.0f;
        std::uint64_t m_nHeldFor = 0;  // frames since the mark was set
    };

    void Follow(Channel& channel, float magnitude);

    float m_fFallPerFrame;             // the bar's factor from one frame to the next
    std::uint64_t m_nHoldFrames;
    Channel m_channels[2];
    bool m_bOver = false;
};

// dB relative to full scale; floorDb for silence and anything quieter.
float AmplitudeToDb(float amplitude, float floorDb = -120.0f);
