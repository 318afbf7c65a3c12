// A dithered sample is written as the whole step nearest to the sample plus
// its noise, whichever writer truncates it, and true silence stays silent.
#include <gtest/gtest.h>

#include <algorithm>
#include <cmath>

#include "engine/io/wave_frame_sink.h"
#include "formats/dithering_sink.h"
#include "formats/sample_conversion.h"

TEST(DitheredSample, IsTheNearestStepToTheSamplePlusItsNoise)
{
    for (int i = -40000; i <= 40000; i += 7) {
        const float value = static_cast<float>(i) / 32768.5f;
        for (const double noise : {-0.999, -0.5, -0.25, 0.0, 0.3, 0.5, 0.999}) {
            const double step =
                std::clamp(std::round(static_cast<double>(value) * 32767.0 + noise), -32768.0, 32767.0);
            const float dithered = DitheredSample(value, noise);
            ASSERT_EQ(ToPcm16(dithered), static_cast<std::int16_t>(step)) << value << " " << noise;
            ASSERT_EQ(WaveFrameSink::ToPcmSample(dithered), static_cast<std::int16_t>(step)) << value << " " << noise;
        }
    }
}

TEST(DitheredSample, LeavesSilenceAndNonNumbersAsTheyAre)
{
    EXPECT_EQ(DitheredSample(0.0f, 0.9), 0.0f);
    EXPECT_EQ(DitheredSample(-0.0f, -0.9), 0.0f);
    EXPECT_TRUE(std::isnan(DitheredSample(NAN, 0.5)));
    // The quietest sound is not silence: it becomes a step or 0 by its noise.
    EXPECT_EQ(ToPcm16(DitheredSample(1e-9f, 0.6)), 1);
    EXPECT_EQ(ToPcm16(DitheredSample(1e-9f, -0.6)), -1);
    EXPECT_EQ(ToPcm16(DitheredSample(1e-9f, 0.2)), 0);
}
