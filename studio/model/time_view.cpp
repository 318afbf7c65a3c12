#include "studio/model/time_view.h"

#include <algorithm>
#include <array>
#include <cmath>
#include <cstdio>

namespace studio {

void TimeView::SetTrackSeconds(double seconds)
{
    const bool all = IsShowingAll();
    m_dTrackSeconds = std::max(seconds, kNarrowestSeconds);
    if (all)
        ShowAll();
    else
        Keep();
}

void TimeView::SetWidth(int pixels)
{
    const bool all = IsShowingAll();
    m_nWidth = std::max(pixels, 1);
    if (all)
        ShowAll();
    else
        Keep();
}

void TimeView::ShowAll()
{
    m_dStart = 0.0;
    m_dSecondsPerPixel = m_dTrackSeconds / m_nWidth;
}

bool TimeView::IsShowingAll() const
{
    return m_dStart <= 0.0 && GetVisibleSeconds() >= m_dTrackSeconds * (1.0 - 1e-9);
}

void TimeView::ZoomTo(double visibleSeconds, double x)
{
    const double anchor = SecondsAt(x);
    const double seconds = std::clamp(visibleSeconds, kNarrowestSeconds, m_dTrackSeconds);
    m_dSecondsPerPixel = seconds / m_nWidth;
    m_dStart = anchor - x * m_dSecondsPerPixel;
    Keep();
}

void TimeView::ScrollTo(double start)
{
    m_dStart = start;
    Keep();
}

void TimeView::Follow(double seconds)
{
    if (seconds >= m_dStart && seconds < GetEnd())
        return;
    // A page on, with a little of the last page kept for context.
    ScrollTo(seconds - GetVisibleSeconds() * 0.05);
}

void TimeView::Keep()
{
    const double widest = m_dTrackSeconds / m_nWidth;
    const double narrowest = kNarrowestSeconds / m_nWidth;
    m_dSecondsPerPixel = std::clamp(m_dSecondsPerPixel, narrowest, widest);
    const double latestStart = std::max(0.0, m_dTrackSeconds - GetVisibleSeconds());
    m_dStart = std::clamp(m_dStart, 0.0, latestStart);
}

namespace {

struct TickStep {
    double m_dSeconds;  // between labelled ticks
    int m_nMinors;      // parts a labelled step is cut into by minor ticks
};

constexpr std::array<TickStep, 22> kTickSteps = {{
    {0.01, 5}, {0.02, 2}, {0.05, 5}, {0.1, 5}, {0.2, 2}, {0.5, 5}, {1, 5}, {2, 2}, {5, 5}, {10, 5}, {15, 3},
    {30, 3}, {60, 4}, {120, 2}, {300, 5}, {600, 5}, {900, 3}, {1800, 3}, {3600, 4}, {7200, 2}, {10800, 3},
    {21600, 6},
}};

const TickStep& StepFor(const TimeView& view, double minLabelPixels)
{
    const double least = minLabelPixels * view.GetSecondsPerPixel();
    for (const TickStep& step : kTickSteps) {
        if (step.m_dSeconds >= least)
            return step;
    }
    return kTickSteps.back();
}

}  // namespace

double LabelStep(const TimeView& view, double minLabelPixels)
{
    return StepFor(view, minLabelPixels).m_dSeconds;
}

std::vector<RulerTick> RulerTicks(const TimeView& view, double minLabelPixels)
{
    const TickStep& step = StepFor(view, minLabelPixels);
    const double minor = step.m_dSeconds / step.m_nMinors;
    std::vector<RulerTick> ticks;
    const auto first = static_cast<long long>(std::floor(view.GetStart() / minor));
    const auto last = static_cast<long long>(std::ceil(std::min(view.GetEnd(), view.GetTrackSeconds()) / minor));
    for (long long i = std::max(first, 0LL); i <= last; ++i) {
        const double seconds = static_cast<double>(i) * minor;
        if (seconds > view.GetTrackSeconds() + 1e-9)
            break;
        ticks.push_back({seconds, i % step.m_nMinors == 0});
    }
    return ticks;
}

std::string FormatClockTime(double seconds, double step)
{
    const bool negative = seconds < 0;
    seconds = std::fabs(seconds);
    int decimals = 0;
    if (step < 0.095)
        decimals = 2;
    else if (step < 0.95)
        decimals = 1;
    const double scale = std::pow(10.0, decimals);
    const auto ticks = static_cast<long long>(std::llround(seconds * scale));
    const long long whole = ticks / static_cast<long long>(scale);
    const long long fraction = ticks % static_cast<long long>(scale);
    const long long hours = whole / 3600;
    const long long minutes = whole / 60 % 60;
    const long long secs = whole % 60;
    char text[48];
    if (hours > 0)
        std::snprintf(text, sizeof text, "%s%lld:%02lld:%02lld", negative ? "-" : "", hours, minutes, secs);
    else
        std::snprintf(text, sizeof text, "%s%lld:%02lld", negative ? "-" : "", minutes, secs);
    std::string result = text;
    if (decimals > 0) {
        char part[32];
        std::snprintf(part, sizeof part, ".%0*lld", decimals, fraction);
        result += part;
    }
    return result;
}

}  // namespace studio
