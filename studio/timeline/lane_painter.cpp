#include "studio/timeline/lane_painter.h"

#include <wx/brush.h>
#include <wx/pen.h>

#include <algorithm>
#include <cmath>

#include "studio/model/lane_points.h"
#include "studio/model/timeline_rows.h"

namespace studio {

namespace {

// More marks than this many per pixel of the visible stretch and only the
// line is drawn: the marks would merge into a bar.
constexpr double kMostPointsPerPixel = 0.25;

double SecondsAtColumn(const LanePaint& paint, int column)
{
    return paint.m_pView->SecondsAt(column + 0.5);
}

int XOf(const LanePaint& paint, double seconds)
{
    return paint.m_plot.x + static_cast<int>(std::lround(paint.m_pView->XOf(seconds)));
}

// The values the drift can reach around value, kept to the range.
std::pair<double, double> BandAround(const LaneFacts& facts, double value, double depth)
{
    const double low = value == -INFINITY ? facts.m_dLowest : value - depth;
    const double high = value == -INFINITY ? facts.m_dLowest + depth : value + depth;
    return {std::clamp(low, facts.m_dLowest, facts.m_dHighest), std::clamp(high, facts.m_dLowest, facts.m_dHighest)};
}

void PaintNumberLane(wxDC& dc, const LanePaint& paint, const std::vector<LanePoint>& points)
{
    const LaneFacts& facts = paint.m_facts;
    const LaneScale scale = ScaleFor(facts, paint.m_plot.y, paint.m_plot.height);
    const KeyframeLine line = LineOf(*paint.m_pLayer, facts.m_key);
    const std::optional<Drift> drift = DriftOf(*paint.m_pLayer, facts.m_key);
    const int width = paint.m_plot.width;
    const double lastSecond = paint.m_pView->GetTrackSeconds();
    // Up to the track's end: past it there is no sound.
    const int lastColumn = std::min(width - 1, static_cast<int>(paint.m_pView->XOf(lastSecond)));

    std::vector<wxPoint> polyline;
    polyline.reserve(static_cast<std::size_t>(std::max(lastColumn + 1, 0)));
    std::vector<wxPoint> bandTop;
    std::vector<wxPoint> bandBottom;
    for (int column = 0; column <= lastColumn; ++column) {
        const double value = line.At(SecondsAtColumn(paint, column));
        const int x = paint.m_plot.x + column;
        polyline.emplace_back(x, static_cast<int>(std::lround(scale.YOf(value))));
        if (drift) {
            const auto [low, high] = BandAround(facts, value, drift->m_dDepth);
            bandTop.emplace_back(x, static_cast<int>(std::lround(scale.YOf(high))));
            bandBottom.emplace_back(x, static_cast<int>(std::lround(scale.YOf(low))));
        }
    }
    if (drift && !bandTop.empty()) {
        std::vector<wxPoint> band = bandTop;
        band.insert(band.end(), bandBottom.rbegin(), bandBottom.rend());
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(paint.m_palette.m_band));
        dc.DrawPolygon(static_cast<int>(band.size()), band.data());
    }
    const wxColour lineColour = paint.m_bHeard ? paint.m_palette.m_line : paint.m_palette.m_dimText;
    dc.SetPen(wxPen(lineColour, 2));
    if (polyline.size() > 1)
        dc.DrawLines(static_cast<int>(polyline.size()), polyline.data());

    const double visiblePoints = static_cast<double>(std::count_if(points.begin(), points.end(), [&](const LanePoint& p) {
        return p.m_dSeconds >= paint.m_pView->GetStart() && p.m_dSeconds <= paint.m_pView->GetEnd();
    }));
    if (visiblePoints / std::max(width, 1) > kMostPointsPerPixel)
        return;
    for (const LanePoint& point : points) {
        const int x = XOf(paint, point.m_dSeconds);
        if (x < paint.m_plot.x - kPointRadius || x > paint.m_plot.GetRight() + kPointRadius)
            continue;
        const int y = static_cast<int>(std::lround(scale.YOf(point.m_dValue)));
        const bool selected = paint.m_selectedSeconds && *paint.m_selectedSeconds == point.m_dSeconds;
        const wxColour colour = selected ? paint.m_palette.m_selected : lineColour;
        dc.SetPen(wxPen(selected ? paint.m_palette.m_text : paint.m_palette.m_laneBackground, 1));
        dc.SetBrush(wxBrush(colour));
        const int r = selected ? kPointRadius + 1 : kPointRadius;
        // A step keyframe is a square (its value jumps), the others round.
        if (point.m_curve == Curve::Step)
            dc.DrawRectangle(x - r, y - r, 2 * r + 1, 2 * r + 1);
        else
            dc.DrawCircle(x, y, r);
    }
}

// A choice or a list: stretches from each change to the next, named by the
// value that holds there.
void PaintSteppedLane(wxDC& dc, const LanePaint& paint, const std::vector<LanePoint>& points)
{
    const LaneFacts& facts = paint.m_facts;
    const bool list = facts.m_kind == LaneKind::List;
    struct Stretch {
        double m_dFrom;
        std::string m_strText;
        std::optional<double> m_pointSeconds;
    };
    std::vector<Stretch> stretches;
    stretches.push_back({0.0,
                         list ? FormatLaneList(facts, BaseList(*paint.m_pLayer, facts.m_key))
                              : FormatLaneValue(facts, BaseValue(*paint.m_pLayer, facts.m_key)),
                         std::nullopt});
    for (const LanePoint& point : points) {
        const std::string text = list ? FormatLaneList(facts, point.m_list) : FormatLaneValue(facts, point.m_dValue);
        if (point.m_dSeconds <= 0.0)
            stretches.front() = {0.0, text, point.m_dSeconds};
        else
            stretches.push_back({point.m_dSeconds, text, point.m_dSeconds});
    }
    const double end = paint.m_pView->GetTrackSeconds();
    dc.SetFont(dc.GetFont().Smaller());
    const int top = paint.m_plot.y + paint.m_plot.height / 4;
    const int height = paint.m_plot.height / 2;
    for (std::size_t i = 0; i < stretches.size(); ++i) {
        const double to = i + 1 < stretches.size() ? stretches[i + 1].m_dFrom : end;
        const int left = std::max(XOf(paint, stretches[i].m_dFrom), paint.m_plot.x);
        const int right = std::min(XOf(paint, to), paint.m_plot.GetRight());
        if (right < paint.m_plot.x || left > paint.m_plot.GetRight())
            continue;
        const bool selected = stretches[i].m_pointSeconds && paint.m_selectedSeconds &&
                              *paint.m_selectedSeconds == *stretches[i].m_pointSeconds;
        dc.SetPen(wxPen(selected ? paint.m_palette.m_selected : paint.m_palette.m_line, selected ? 2 : 1));
        dc.SetBrush(wxBrush(i % 2 == 0 ? paint.m_palette.m_band : Mix(paint.m_palette.m_band, paint.m_palette.m_laneBackground, 0.5)));
        dc.DrawRectangle(left, top, std::max(right - left, 1), height);
        dc.SetTextForeground(paint.m_bHeard ? paint.m_palette.m_text : paint.m_palette.m_dimText);
        const wxSize extent = dc.GetTextExtent(stretches[i].m_strText);
        if (extent.x + 8 < right - left) {
            dc.SetClippingRegion(left, top, right - left, height);
            dc.DrawText(stretches[i].m_strText, left + 4, top + (height - extent.y) / 2);
            dc.DestroyClippingRegion();
        }
        if (stretches[i].m_pointSeconds) {
            const int x = XOf(paint, *stretches[i].m_pointSeconds);
            dc.SetBrush(wxBrush(selected ? paint.m_palette.m_selected : paint.m_palette.m_point));
            dc.DrawRectangle(x - kPointRadius, top - kPointRadius, 2 * kPointRadius + 1, 2 * kPointRadius + 1);
        }
    }
}

}  // namespace

void PaintTimeGrid(wxDC& dc, const wxRect& rect, const TimeView& view, const StudioPalette& palette,
                   double minLabelPixels)
{
    for (const RulerTick& tick : RulerTicks(view, minLabelPixels)) {
        const int x = rect.x + static_cast<int>(std::lround(view.XOf(tick.m_dSeconds)));
        if (x < rect.x || x > rect.GetRight())
            continue;
        dc.SetPen(wxPen(tick.m_bLabelled ? palette.m_gridMajor : palette.m_grid, 1));
        dc.DrawLine(x, rect.y, x, rect.GetBottom() + 1);
    }
}

void PaintLane(wxDC& dc, const LanePaint& paint)
{
    const std::vector<LanePoint> points = PointsOf(*paint.m_pLayer, paint.m_facts.m_key);
    const wxFont font = dc.GetFont();
    dc.SetClippingRegion(paint.m_plot);
    if (paint.m_facts.m_kind == LaneKind::Number)
        PaintNumberLane(dc, paint, points);
    else
        PaintSteppedLane(dc, paint, points);
    dc.DestroyClippingRegion();
    dc.SetFont(font);
}

}  // namespace studio
