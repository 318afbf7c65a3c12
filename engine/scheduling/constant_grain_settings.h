// Settings that hold for every grain of a render: the plain run's, and a
// layer whose values never move.
#pragma once

#include <cstdint>
#include <limits>

#include "engine/scheduling/grain_settings_source.h"

class ConstantGrainSettings final : public GrainSettingsSource {
public:
    ConstantGrainSettings() = default;
    explicit ConstantGrainSettings(const GrainSettings& settings) : m_settings(settings) {}

    void Set(const GrainSettings& settings) { m_settings = settings; }

    const GrainSettings& SettingsAt(std::uint64_t) override { return m_settings; }
    std::uint64_t WalkSettingsSteadyUntil(std::uint64_t, SteadyPart) override
    {
        return std::numeric_limits<std::uint64_t>::max();
    }
    GrainBounds Bounds() const override { return BoundsOfSettings(m_settings); }
    bool Changes() const override { return false; }

private:
    GrainSettings m_settings;
};
