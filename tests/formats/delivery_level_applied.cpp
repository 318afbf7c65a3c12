#include "tests/formats/delivery_level_applied.h"

#include "measurement/delivery_level_meter.h"

DeliveryLevelReport ApplyDeliveryLevel(std::vector<StereoFrame>& frames, const DeliveryLevelPlan& plan)
{
    DeliveryLevelMeter meter(plan);
    meter.Measure(frames);
    const double gain = meter.Gain();
    if (meter.GetReport().m_bChanged) {
        for (StereoFrame& frame : frames)
            frame = {static_cast<float>(frame.left * gain), static_cast<float>(frame.right * gain)};
    }
    return meter.GetReport();
}
