#include "measurement/delivery_level.h"

#include <algorithm>
#include <cmath>
#include <cstdio>
#include <vector>

#include "engine/run/generation_settings.h"
#include "measurement/loudness_meter.h"
#include "formats/stereo_resampler.h"

namespace {

constexpr std::size_t kBlockFrames = 1 << 16;

double BlockPeak(std::span<const StereoFrame> frames)
{
    double peak = 0.0;
    for (const StereoFrame& frame : frames) {
        peak = std::max(peak, static_cast<double>(std::fabs(frame.left)));
        peak = std::max(peak, static_cast<double>(std::fabs(frame.right)));
    }
    return peak;
}

std::string Decibels(double value)
{
    char text[32];
    std::snprintf(text, sizeof text, "%.1f", value);
    return text;
}

}  // namespace

bool LeavesFinishedSoundAlone(const DeliveryLevelPlan& plan)
{
    return !plan.m_loudnessTarget && plan.m_nRate == kRunSampleRate;
}

DeliveredPeakMeter::DeliveredPeakMeter(int rate)
{
    if (rate != kRunSampleRate)
        m_pResampler = std::make_unique<StereoResampler>(kRunSampleRate, rate);
}

DeliveredPeakMeter::~DeliveredPeakMeter() = default;

void DeliveredPeakMeter::Add(std::span<const StereoFrame> frames)
{
    if (!m_pResampler) {
        m_dPeak = std::max(m_dPeak, BlockPeak(frames));
        return;
    }
    while (!frames.empty()) {
        const std::size_t count = std::min(frames.size(), kBlockFrames);
        m_converted.clear();
        m_pResampler->Push(frames.first(count), m_converted);
        m_dPeak = std::max(m_dPeak, BlockPeak(m_converted));
        frames = frames.subspan(count);
    }
}

double DeliveredPeakMeter::Peak()
{
    if (m_pResampler) {
        m_converted.clear();
        m_pResampler->Drain(m_converted);
        m_dPeak = std::max(m_dPeak, BlockPeak(m_converted));
    }
    return m_dPeak;
}

DeliveryLevelReport PlanDeliveryGain(double peak, std::optional<double> loudness, const DeliveryLevelPlan& plan)
{
    DeliveryLevelReport report;
    report.m_dPeak = peak;
    if (LeavesFinishedSoundAlone(plan) || peak == 0.0)
        return report;
    const double ceilingGain = plan.m_dVolume / peak;
    double gain = ceilingGain;
    if (loudness && std::isfinite(*loudness)) {
        const double loudnessGain = std::pow(10.0, (*plan.m_loudnessTarget - *loudness) / 20.0);
        report.m_bHeldByCeiling = loudnessGain > ceilingGain;
        gain = std::min(loudnessGain, ceilingGain);
    }
    report.m_bChanged = true;
    report.m_dGain = gain;
    report.m_dPeak = peak * gain;
    if (loudness)
        report.m_loudness = *loudness + 20.0 * std::log10(gain);
    return report;
}

std::string DescribeDeliveryLevel(const DeliveryLevelReport& report, const DeliveryLevelPlan& plan)
{
    std::string text;
    if (report.m_loudness)
        text = "Integrated loudness " + Decibels(*report.m_loudness) + " LUFS, ";
    const std::string peakDb = report.m_dPeak > 0.0 ? Decibels(20.0 * std::log10(report.m_dPeak)) : "-inf";
    text += "peak " + peakDb + " dBFS (" + Decibels(report.m_dPeak * 100.0) + " %)";
    if (report.m_bHeldByCeiling && plan.m_loudnessTarget)
        text += "; the peak ceiling of " + Decibels(plan.m_dVolume * 100.0) + " % held it below the " +
                Decibels(*plan.m_loudnessTarget) + " LUFS target";
    return text;
}
