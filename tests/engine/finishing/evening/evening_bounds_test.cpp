// The range level evening keeps: the least change and the most gain at a
// point of given loudness, the silence gate and the median.
#include <gtest/gtest.h>

#include <limits>
#include <vector>

#include "engine/finishing/evening/evening_bounds.h"

namespace {

constexpr float kSilence = -std::numeric_limits<float>::infinity();

}  // namespace

// A range of 6 LU around -20 LUFS, silence at -60: in range nothing changes
// and a point may rise to the top; above it comes down to the top; below it
// comes up to the bottom, as far as the lift allows (20 dB, and no more than
// the point's height above the gate).
TEST(EveningBounds, LeastChangeAndMostGain)
{
    const EveningRule rule{6.0, -20.0, -60.0};
    struct Case {
        float m_fLoudness;
        float m_fLeast;
        float m_fMost;
    };
    const Case cases[] = {
        {-20.0f, 0.0f, 6.0f},     // at the median
        {-14.0f, 0.0f, 0.0f},     // at the top
        {-10.0f, -4.0f, -4.0f},   // 4 over the top
        {-30.0f, 4.0f, 16.0f},    // 4 under the bottom; may rise 16 to the top
        {-45.0f, 15.0f, 15.0f},   // needs 19, may be lifted by its 15 above the gate
        {-39.0f, 13.0f, 20.0f},   // needs 13, may rise by 20 at most
        {-60.0f, 0.0f, 0.0f},     // at the gate: silence
        {kSilence, 0.0f, 0.0f},
    };
    for (const Case& c : cases) {
        const GainBounds bounds = rule.BoundsAt(c.m_fLoudness);
        EXPECT_FLOAT_EQ(bounds.m_fLeast, c.m_fLeast) << c.m_fLoudness;
        EXPECT_FLOAT_EQ(bounds.m_fMost, c.m_fMost) << c.m_fLoudness;
    }
}

// The gate lies 40 LU under the power mean of the counted points; the median
// is taken over the counted points above it.
TEST(EveningBounds, MedianOfTheHeardPointsOutsideTheFades)
{
    // Counted: points 2 to 8. Mean power of 10^-1, 10^-2 (×3), 0, 0, 10^-9 is
    // 10^-1.8 roughly: gate near -58; -90 and silence lie under it.
    const std::vector<float> series{0.0f, 0.0f, -10.0f, -20.0f, -20.0f, -20.0f, kSilence, kSilence, -90.0f, 0.0f};
    const std::optional<EveningRule> rule = RuleFor(series, 2, 9, 3.0);
    ASSERT_TRUE(rule.has_value());
    EXPECT_DOUBLE_EQ(rule->m_dRangeLu, 3.0);
    EXPECT_NEAR(rule->m_dGateLufs, -40.0 + 10.0 * std::log10((0.1 + 3 * 0.01 + 1e-9) / 7.0), 1e-4);
    EXPECT_FLOAT_EQ(rule->m_dMedianLufs, -20.0f);  // of -10, -20, -20, -20
    EXPECT_FALSE(RuleFor(std::vector<float>(40, kSilence), 0, 40, 3.0).has_value());
}
