// The last level step before writing, on the finished 44100 Hz sound: where
// the delivered file differs from the finished sound (another rate), or where
// a loudness is asked for instead of a peak, one gain sets the level that the
// delivered file will have.
//
// Peak rule at another rate: the peak of the converted sound is measured by
// converting the whole sound once (libsoxr, as the output will), and the
// sound is scaled so that this peak equals the volume. The output then
// converts the scaled buffer again; conversion is linear and libsoxr works in
// double precision at this quality, so the delivered peak equals the volume
// to within a few units in the last place of a 32-bit float (about 1e-7).
//
// Loudness rule: the integrated loudness of the finished sound is measured
// (libebur128), and the gain that brings it to the target is applied unless
// it would lift the delivered peak above the volume, which then acts as a
// ceiling and holds the gain back.
#pragma once

#include <memory>
#include <optional>
#include <span>
#include <string>
#include <vector>

#include "engine/base/stereo_frame.h"

class StereoResampler;

struct DeliveryLevelPlan {
    double m_dVolume = 0.5;                  // the peak level, or with a loudness target its ceiling
    int m_nRate = 44100;                     // the delivered file's rate
    std::optional<double> m_loudnessTarget;  // LUFS
};

struct DeliveryLevelReport {
    bool m_bChanged = false;               // whether the buffer was scaled
    double m_dGain = 1.0;                  // the factor applied
    double m_dPeak = 0.0;                  // sample peak of the delivered sound, after the gain
    std::optional<double> m_loudness;      // its integrated loudness, LUFS (with a target only)
    bool m_bHeldByCeiling = false;         // the target was out of reach below the volume
};

// The sample peak a sound will have once delivered at rate, from its 44100 Hz
// frames handed over piece by piece, in order: converted as the output will
// convert them where the rate differs (the result does not depend on the
// pieces).
class DeliveredPeakMeter {
public:
    explicit DeliveredPeakMeter(int rate);
    ~DeliveredPeakMeter();
    DeliveredPeakMeter(const DeliveredPeakMeter&) = delete;
    DeliveredPeakMeter& operator=(const DeliveredPeakMeter&) = delete;

    void Add(std::span<const StereoFrame> frames);
    // After the last piece (takes what the converter still holds).
    double Peak();

private:
    std::unique_ptr<StereoResampler> m_pResampler;  // null at 44100 Hz
    std::vector<StereoFrame> m_converted;
    double m_dPeak = 0.0;
};

// The gain the plan asks for, given the delivered peak and (with a target)
// the loudness of the finished sound.
DeliveryLevelReport PlanDeliveryGain(double peak, std::optional<double> loudness, const DeliveryLevelPlan& plan);

// True when the plan changes nothing: the peak rule at 44100 Hz, which level
// finishing has already applied. Then the sound is written exactly as finished.
bool LeavesFinishedSoundAlone(const DeliveryLevelPlan& plan);

// "Integrated loudness -18.0 LUFS, peak -6.0 dBFS (50 %)", with a note when
// the ceiling held the loudness below its target.
std::string DescribeDeliveryLevel(const DeliveryLevelReport& report, const DeliveryLevelPlan& plan);
