#include "engine/shaping/layer_shaping.h"

#include <cmath>
#include <numbers>
#include <utility>

LayerShaping::LayerShaping(ShapingPlan plan)
    : m_plan(std::move(plan))
    , m_highCut(FilterStage::Kind::LowPass, m_plan.m_nSlopeDb)
    , m_lowCut(FilterStage::Kind::HighPass, m_plan.m_nSlopeDb)
{
}

void LayerShaping::Reset()
{
    m_highCut.Reset();
    m_lowCut.Reset();
    m_decorrelator.Reset();
    m_step.reset();
}

// The pan as the grains' own: √2·cos and √2·sin of (pan/100 + 1) × π/4, 1 on
// both sides at the centre.
LayerShaping::Point LayerShaping::PointAt(std::uint64_t frame) const
{
    const ShapingValues values = m_plan.m_valuesAt(frame);
    Point point;
    if (m_plan.m_bPan) {
        const double angle = (values.m_dPan * 0.01 + 1.0) * std::numbers::pi * 0.25;
        point.m_dPanLeft = std::numbers::sqrt2 * std::cos(angle);
        point.m_dPanRight = std::numbers::sqrt2 * std::sin(angle);
    }
    point.m_dWidth = values.m_dWidth;
    point.m_dHighG = ToneCut::GainOf(values.m_dHighCutHz);
    point.m_dLowG = ToneCut::GainOf(values.m_dLowCutHz);
    return point;
}

void LayerShaping::ProcessFrame(const Point& point, StereoFrame& frame)
{
    double left = frame.left;
    double right = frame.right;
    if (m_plan.m_bLowCut)
        m_lowCut.Process(point.m_dLowG, left, right);
    if (m_plan.m_bHighCut)
        m_highCut.Process(point.m_dHighG, left, right);
    if (m_plan.m_bWidth)
        m_decorrelator.Process(point.m_dWidth, left, right);
    if (m_plan.m_bPan) {
        left *= point.m_dPanLeft;
        right *= point.m_dPanRight;
    }
    frame = {static_cast<float>(left), static_cast<float>(right)};
}

void LayerShaping::Process(std::span<StereoFrame> piece, std::uint64_t first)
{
    for (std::size_t i = 0; i < piece.size(); ++i) {
        const std::uint64_t frame = first + i;
        const std::uint64_t step = frame / kStepFrames * kStepFrames;
        if (m_step != step) {
            m_from = m_step && *m_step + kStepFrames == step ? m_to : PointAt(step);
            m_to = PointAt(step + kStepFrames);
            m_step = step;
        }
        const double t = static_cast<double>(frame - step) / kStepFrames;
        const Point point{m_from.m_dPanLeft + (m_to.m_dPanLeft - m_from.m_dPanLeft) * t,
                          m_from.m_dPanRight + (m_to.m_dPanRight - m_from.m_dPanRight) * t,
                          m_from.m_dWidth + (m_to.m_dWidth - m_from.m_dWidth) * t,
                          m_from.m_dHighG + (m_to.m_dHighG - m_from.m_dHighG) * t,
                          m_from.m_dLowG + (m_to.m_dLowG - m_from.m_dLowG) * t};
        ProcessFrame(point, piece[i]);
    }
}
