// Which stretch of the track the timeline shows, and where each time lies
// across it: from the whole track (up to 24 hours) down to one second.
#pragma once

#include <string>
#include <vector>

namespace studio {

class TimeView {
public:
    // The narrowest view: one second across the whole width.
    static constexpr double kNarrowestSeconds = 1.0;

    void SetTrackSeconds(double seconds);
    // The width in pixels the view is drawn across (at least 1).
    void SetWidth(int pixels);
    int GetWidth() const { return m_nWidth; }
    double GetTrackSeconds() const { return m_dTrackSeconds; }

    double GetStart() const { return m_dStart; }
    double GetVisibleSeconds() const { return m_dSecondsPerPixel * m_nWidth; }
    double GetEnd() const { return m_dStart + GetVisibleSeconds(); }
    double GetSecondsPerPixel() const { return m_dSecondsPerPixel; }

    double XOf(double seconds) const { return (seconds - m_dStart) / m_dSecondsPerPixel; }
    double SecondsAt(double x) const { return m_dStart + x * m_dSecondsPerPixel; }

    // The whole track across the width.
    void ShowAll();
    // visibleSeconds across the width, kept between one second and the track,
    // with the time at pixel x staying where it is.
    void ZoomTo(double visibleSeconds, double x);
    // Narrower (factor < 1) or wider (> 1) around pixel x.
    void ZoomBy(double factor, double x) { ZoomTo(GetVisibleSeconds() * factor, x); }
    // The view's start, kept so that the view stays inside the track.
    void ScrollTo(double start);
    // Pages the view so that seconds is in sight, if it is not: the playhead
    // leaving the right edge brings the next page.
    void Follow(double seconds);
    bool IsShowingAll() const;

private:
    void Keep();

    double m_dTrackSeconds = 15.0;
    int m_nWidth = 1;
    double m_dStart = 0.0;
    double m_dSecondsPerPixel = 15.0;
};

struct RulerTick {
    double m_dSeconds = 0.0;
    bool m_bLabelled = false;  // a major tick with a time under it
};

// Ticks for the visible stretch: labelled ones at least minLabelPixels apart
// at a round step (a second, 5 s, a minute, an hour...), and minor ones
// between them.
std::vector<RulerTick> RulerTicks(const TimeView& view, double minLabelPixels);
// The step between labelled ticks that RulerTicks uses.
double LabelStep(const TimeView& view, double minLabelPixels);
// A time as the ruler and readouts show it: "0:00", "1:30", "1:02:03", with
// as many decimals as the step needs ("0:07.25" at a step of 0.25 s).
std::string FormatClockTime(double seconds, double step = 1.0);

}  // namespace studio
