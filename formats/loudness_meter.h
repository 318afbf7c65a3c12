// Integrated loudness as ITU-R BS.1770-4 and EBU R128 define it (K-weighted,
// gated at -70 LUFS and 10 LU below the ungated level), measured by libebur128.
#pragma once

#include <optional>
#include <span>

#include "engine/stereo_frame.h"

// The loudness of stereo frames at rate, in LUFS; minus infinity when nothing
// is above the absolute gate (silence, or less than one 400 ms block);
// nothing when libebur128 could not be set up.
std::optional<double> MeasureIntegratedLoudness(std::span<const StereoFrame> frames, int rate);
