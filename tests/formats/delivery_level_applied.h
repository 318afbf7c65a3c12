// The delivery level applied to a whole finished sound in memory, as a run
// applies it piece by piece: the sound shown to a DeliveryLevelMeter, then
// every sample scaled by the gain it answers.
#pragma once

#include <vector>

#include "engine/base/stereo_frame.h"
#include "measurement/delivery_level.h"

DeliveryLevelReport ApplyDeliveryLevel(std::vector<StereoFrame>& frames, const DeliveryLevelPlan& plan);
