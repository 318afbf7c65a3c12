// Settings that change over a render: what each grain reads when it starts,
// for tracks whose sound moves over their length.
#pragma once

#include <cstdint>

#include "engine/scheduling/grain_settings.h"

class GrainSettingsSource {
public:
    virtual ~GrainSettingsSource() = default;

    // The settings of a grain that starts at output frame frame of the
    // render. Asked with frames that never decrease; the answer stays valid
    // until the next call.
    virtual const GrainSettings& SettingsAt(std::uint64_t frame) = 0;
    // What the scan walk and the grain clock read of those settings (the
    // density, the scan step and the segment length), the same as
    // SettingsAt gives, perhaps with nothing else filled in: the fast way
    // through grains that are skipped.
    virtual const GrainSettings& WalkSettingsAt(std::uint64_t frame) { return SettingsAt(frame); }
    // What must hold over a stretch of steady settings: the density the
    // clock reads, or everything of WalkSettingsAt.
    enum class SteadyPart { Clock, Walk };
    // A frame after frame up to which (not included) WalkSettingsAt answers
    // what it answers at frame in part, as far as the source can vouch for
    // it: frame + 1 when it cannot say.
    virtual std::uint64_t WalkSettingsSteadyUntil(std::uint64_t frame, SteadyPart part)
    {
        (void)part;
        return frame + 1;
    }
    // Every grain of the render stays within these.
    virtual GrainBounds Bounds() const = 0;
    // Whether grains may differ in their settings (length, window, volume)
    // from the settings a render begins with.
    virtual bool Changes() const { return true; }
};
