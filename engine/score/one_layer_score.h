// The score of a plain run: one layer whose values hold throughout, read
// from one source, which renders what the run renders.
#pragma once

#include <cstdint>
#include <string>

#include "engine/parameters/parameter_values.h"
#include "engine/score/score.h"

// values: every parameter, the track's (the volume, the fade) among them;
// sourcePath names the layer's source and is where the run finds it.
Score OneLayerScore(const ParameterValues& values, std::int32_t lengthSeconds, const std::string& sourcePath);
