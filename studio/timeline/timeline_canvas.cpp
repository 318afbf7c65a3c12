#include "studio/timeline/timeline_canvas.h"

#include <wx/dcmemory.h>

#include <wx/dcbuffer.h>
#include <wx/menu.h>
#include <wx/settings.h>

#include <algorithm>
#include <cmath>
#include <filesystem>
#include <set>
#include <sstream>

#include "engine/parameters/parameter_text.h"

#include "studio/app/prompts.h"
#include "studio/model/lane_points.h"
#include "studio/timeline/lane_painter.h"

namespace studio {

namespace {

constexpr int kHeaderWidth = 250;
constexpr int kButtonWidth = 22;
constexpr double kMinLabelPixels = 90.0;
// A keyframe is under the pointer within this many pixels of its mark.
constexpr int kHitSlop = 7;
// A press moves this far before it counts as a drag.
constexpr int kDragThreshold = 3;
// Shift while dragging moves the keyframe this much slower than the pointer.
constexpr double kFineFactor = 0.1;

enum MenuId {
    kMenuCurveLinear = wxID_HIGHEST + 300,
    kMenuCurveSmooth,
    kMenuCurveStep,
    kMenuTypeValue,
    kMenuDeletePoint,
    kMenuDrift,
    kMenuRemoveLane,
    kMenuAddLaneFirst,  // one item per lane after it
};

// Where the header's buttons sit: right-aligned, mute then solo then gain.
wxRect MuteRect(const wxRect& header)
{
    return {header.GetRight() - 3 * kButtonWidth - 40, header.y + (header.height - 20) / 2, kButtonWidth, 20};
}

wxRect SoloRect(const wxRect& header)
{
    const wxRect mute = MuteRect(header);
    return {mute.GetRight() + 4, mute.y, kButtonWidth, mute.height};
}

wxRect GainRect(const wxRect& header)
{
    const wxRect solo = SoloRect(header);
    return {solo.GetRight() + 4, solo.y, header.GetRight() - solo.GetRight() - 6, solo.height};
}

wxRect RemoveRect(const wxRect& header)
{
    return {header.GetRight() - 20, header.y + 4, 16, 16};
}

std::string GainText(double decibels)
{
    if (decibels == -INFINITY)
        return "-inf";
    char text[32];
    std::snprintf(text, sizeof text, "%+.1f", decibels);
    return text;
}

std::string LayerName(const ScoreLayer& layer, std::size_t index)
{
    return std::to_string(index + 1) + "  " + std::filesystem::path(layer.m_strSource).filename().string();
}

}  // namespace

TimelineCanvas::TimelineCanvas(wxWindow* parent, StudioHost& host, TimeView& view)
    : wxWindow(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxWANTS_CHARS | wxFULL_REPAINT_ON_RESIZE)
    , m_host(host)
    , m_view(view)
    , m_palette(CurrentPalette())
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    SetName("timeline");
    m_heights.m_nLayer = FromDIP(30);
    m_heights.m_nLane = FromDIP(56);
    m_heights.m_nAddLane = FromDIP(22);
    Bind(wxEVT_PAINT, &TimelineCanvas::OnPaint, this);
    Bind(wxEVT_LEFT_DOWN, &TimelineCanvas::OnLeftDown, this);
    Bind(wxEVT_LEFT_UP, &TimelineCanvas::OnLeftUp, this);
    Bind(wxEVT_MOTION, &TimelineCanvas::OnMotion, this);
    Bind(wxEVT_LEFT_DCLICK, &TimelineCanvas::OnDoubleClick, this);
    Bind(wxEVT_RIGHT_DOWN, &TimelineCanvas::OnRightDown, this);
    Bind(wxEVT_MOUSEWHEEL, &TimelineCanvas::OnWheel, this);
    Bind(wxEVT_KEY_DOWN, &TimelineCanvas::OnKeyDown, this);
    Bind(wxEVT_SIZE, &TimelineCanvas::OnSize, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &TimelineCanvas::OnCaptureLost, this);
    Bind(wxEVT_SET_FOCUS, [this](wxFocusEvent& event) {
        Refresh();
        event.Skip();
    });
    Bind(wxEVT_KILL_FOCUS, [this](wxFocusEvent& event) {
        Refresh();
        event.Skip();
    });
}

int TimelineCanvas::GetHeaderWidth() const
{
    return FromDIP(kHeaderWidth);
}

int TimelineCanvas::GetContentHeight() const
{
    return TotalHeight(m_rows);
}

void TimelineCanvas::ThemeChanged()
{
    m_palette = CurrentPalette();
    Refresh();
}

void TimelineCanvas::Relayout()
{
    const Score& score = m_host.GetDocument().GetScore();
    m_showing.Fit(score.m_layers.size());
    m_rows = LayoutRows(score, m_showing, m_heights);
    SetScrollY(m_nScrollY);
    if (m_onLayoutChanged)
        m_onLayoutChanged();
}

void TimelineCanvas::DocumentChanged()
{
    m_drag.reset();
    const Score& score = m_host.GetDocument().GetScore();
    if (m_selection) {
        if (m_selection->m_nLayer >= score.m_layers.size()) {
            m_selection.reset();
        } else if (m_selection->m_pointSeconds && !SelectedKeyframe()) {
            m_selection->m_pointSeconds.reset();
        }
    }
    Relayout();
    Refresh();
}

void TimelineCanvas::TimeChanged()
{
    Refresh();
}

void TimelineCanvas::SetPlayhead(double seconds)
{
    if (seconds == m_dPlayhead)
        return;
    const int header = GetHeaderWidth();
    const int height = GetClientSize().y;
    const auto xOf = [&](double at) { return header + static_cast<int>(std::lround(m_view.XOf(at))); };
    const int before = xOf(m_dPlayhead);
    m_dPlayhead = seconds;
    const int after = xOf(m_dPlayhead);
    // The lanes' picture stays as it is: only the two columns are drawn.
    const wxRect columns[] = {wxRect(before - 2, 0, 5, height), wxRect(after - 2, 0, 5, height)};
    for (const wxRect& column : columns)
        wxWindow::Refresh(false, &column);
}

void TimelineCanvas::Refresh(bool eraseBackground, const wxRect* rect)
{
    m_bPictureValid = false;
    wxWindow::Refresh(eraseBackground, rect);
}

void TimelineCanvas::SetScrollY(int y)
{
    const int most = std::max(0, GetContentHeight() - GetClientSize().y);
    const int kept = std::clamp(y, 0, most);
    if (kept != m_nScrollY) {
        m_nScrollY = kept;
        Refresh();
    }
}

void TimelineCanvas::Select(std::optional<Selection> selection)
{
    m_selection = std::move(selection);
    if (m_selection)
        m_host.SelectLayer(m_selection->m_nLayer);
    Refresh();
}

wxRect TimelineCanvas::PlotRect(const TimelineRow& row) const
{
    const int header = GetHeaderWidth();
    return {header, row.m_nTop - m_nScrollY, std::max(GetClientSize().x - header, 1), row.m_nHeight - 1};
}

std::optional<wxRect> TimelineCanvas::LanePlotRect(std::size_t layer, LaneKey lane) const
{
    const TimelineRow* row = FindLaneRow(m_rows, layer, lane);
    if (!row)
        return std::nullopt;
    return PlotRect(*row);
}

std::optional<wxPoint> TimelineCanvas::PointPosition(std::size_t layer, LaneKey lane, double seconds) const
{
    const TimelineRow* row = FindLaneRow(m_rows, layer, lane);
    const Score& score = m_host.GetDocument().GetScore();
    if (!row || layer >= score.m_layers.size())
        return std::nullopt;
    const wxRect plot = PlotRect(*row);
    const LaneFacts facts = FactsOf(lane);
    for (const LanePoint& point : PointsOf(score.m_layers[layer], lane)) {
        if (point.m_dSeconds != seconds)
            continue;
        const int x = plot.x + static_cast<int>(std::lround(m_view.XOf(seconds)));
        if (facts.m_kind != LaneKind::Number)
            return wxPoint(x, plot.y + plot.height / 4);
        const LaneScale scale = ScaleFor(facts, plot.y, plot.height);
        return wxPoint(x, static_cast<int>(std::lround(scale.YOf(point.m_dValue))));
    }
    return std::nullopt;
}

std::optional<std::size_t> TimelineCanvas::SelectedKeyframe() const
{
    if (!m_selection || !m_selection->m_pointSeconds)
        return std::nullopt;
    const Score& score = m_host.GetDocument().GetScore();
    if (m_selection->m_nLayer >= score.m_layers.size())
        return std::nullopt;
    for (const LanePoint& point : PointsOf(score.m_layers[m_selection->m_nLayer], m_selection->m_lane)) {
        if (point.m_dSeconds == *m_selection->m_pointSeconds)
            return point.m_nKeyframe;
    }
    return std::nullopt;
}

TimelineCanvas::Hit TimelineCanvas::HitTest(wxPoint point) const
{
    Hit hit;
    hit.m_pRow = RowAt(m_rows, point.y + m_nScrollY);
    if (!hit.m_pRow)
        return hit;
    const TimelineRow& row = *hit.m_pRow;
    const wxRect header(0, row.m_nTop - m_nScrollY, GetHeaderWidth(), row.m_nHeight);
    if (point.x >= header.GetRight()) {
        hit.m_zone = row.m_kind == RowKind::Lane ? Zone::Plot : Zone::None;
        if (row.m_kind == RowKind::Lane)
            hit.m_keyframe = PointNear(row, point);
        return hit;
    }
    switch (row.m_kind) {
    case RowKind::Layer:
        if (point.x < FromDIP(18))
            hit.m_zone = Zone::Collapse;
        else if (MuteRect(header).Contains(point))
            hit.m_zone = Zone::Mute;
        else if (SoloRect(header).Contains(point))
            hit.m_zone = Zone::Solo;
        else if (GainRect(header).Contains(point))
            hit.m_zone = Zone::Gain;
        else
            hit.m_zone = Zone::Name;
        break;
    case RowKind::Lane: hit.m_zone = RemoveRect(header).Contains(point) ? Zone::RemoveLane : Zone::LaneLabel; break;
    case RowKind::AddLane: hit.m_zone = Zone::AddLane; break;
    }
    return hit;
}

std::optional<std::size_t> TimelineCanvas::PointNear(const TimelineRow& row, wxPoint point) const
{
    const Score& score = m_host.GetDocument().GetScore();
    if (row.m_nLayer >= score.m_layers.size())
        return std::nullopt;
    const wxRect plot = PlotRect(row);
    const LaneFacts facts = FactsOf(row.m_lane);
    const LaneScale scale = ScaleFor(facts, plot.y, plot.height);
    std::optional<std::size_t> nearest;
    int best = kHitSlop * kHitSlop + 1;
    for (const LanePoint& lanePoint : PointsOf(score.m_layers[row.m_nLayer], row.m_lane)) {
        const int x = plot.x + static_cast<int>(std::lround(m_view.XOf(lanePoint.m_dSeconds)));
        const int y = facts.m_kind == LaneKind::Number ? static_cast<int>(std::lround(scale.YOf(lanePoint.m_dValue)))
                                                        : plot.y + plot.height / 4;
        // A stepped lane's marks stand on its stretches' top edge; anywhere
        // up and down the lane near the change takes it.
        const int dy = facts.m_kind == LaneKind::Number ? y - point.y : 0;
        const int distance = (x - point.x) * (x - point.x) + dy * dy;
        if (distance < best) {
            best = distance;
            nearest = lanePoint.m_nKeyframe;
        }
    }
    return nearest;
}

LaneValue TimelineCanvas::ValueAt(const TimelineRow& row, double seconds, wxPoint point) const
{
    const ScoreLayer& layer = m_host.GetDocument().GetScore().m_layers[row.m_nLayer];
    const LaneFacts facts = FactsOf(row.m_lane);
    const wxRect plot = PlotRect(row);
    LaneValue value;
    switch (facts.m_kind) {
    case LaneKind::Number: {
        const LaneScale scale = ScaleFor(facts, plot.y, plot.height);
        value.m_dNumber = SnapValue(facts, scale.ValueAt(point.y), DragResolution(facts, false));
        break;
    }
    case LaneKind::Choice:
        // The value in effect there: a click marks a change, chosen after.
        value.m_dNumber = LineOf(layer, row.m_lane).At(seconds);
        break;
    case LaneKind::List: value.m_list = ListAt(layer, row.m_lane, seconds); break;
    }
    return value;
}

void TimelineCanvas::OnLeftDown(wxMouseEvent& event)
{
    SetFocus();
    const Hit hit = HitTest(event.GetPosition());
    if (!hit.m_pRow)
        return;
    if (hit.m_zone != Zone::Plot) {
        ClickHeader(hit);
        return;
    }
    const TimelineRow& row = *hit.m_pRow;
    const Score& score = m_host.GetDocument().GetScore();
    const ScoreLayer& layer = score.m_layers[row.m_nLayer];
    Drag drag;
    drag.m_nLayer = row.m_nLayer;
    drag.m_lane = row.m_lane;
    drag.m_start = event.GetPosition();
    if (hit.m_keyframe) {
        const Keyframe& keyframe = layer.m_keyframes[*hit.m_keyframe];
        drag.m_keyframe = hit.m_keyframe;
        drag.m_dStartSeconds = keyframe.m_dSeconds;
        for (const LanePoint& point : PointsOf(layer, row.m_lane)) {
            if (point.m_nKeyframe == *hit.m_keyframe) {
                drag.m_dStartValue = point.m_dValue;
                drag.m_list = point.m_list;
            }
        }
        Select(Selection{row.m_nLayer, row.m_lane, keyframe.m_dSeconds});
    } else {
        // A new keyframe where the press is, placed when the button is let go.
        const wxRect plot = PlotRect(row);
        drag.m_dStartSeconds = KeepTime(score, m_view.SecondsAt(event.GetX() - plot.x));
        const LaneValue value = ValueAt(row, drag.m_dStartSeconds, event.GetPosition());
        drag.m_dStartValue = value.m_dNumber;
        drag.m_list = value.m_list;
        drag.m_bMoved = true;
        Select(Selection{row.m_nLayer, row.m_lane, std::nullopt});
    }
    drag.m_dSeconds = drag.m_dStartSeconds;
    drag.m_dValue = drag.m_dStartValue;
    m_drag = drag;
    CaptureMouse();
    Refresh();
}

void TimelineCanvas::UpdateDrag(wxPoint point, bool fine)
{
    Drag& drag = *m_drag;
    const int dx = point.x - drag.m_start.x;
    const int dy = point.y - drag.m_start.y;
    if (!drag.m_bMoved && std::abs(dx) < kDragThreshold && std::abs(dy) < kDragThreshold)
        return;
    drag.m_bMoved = true;
    const double factor = fine ? kFineFactor : 1.0;
    const Score& score = m_host.GetDocument().GetScore();
    // Times to a round fraction of what a pixel spans: whole milliseconds
    // when zoomed in, whole seconds (or more) across hours.
    const double perPixel = m_view.GetSecondsPerPixel() * factor;
    const double timeStep = std::pow(10.0, std::floor(std::log10(std::max(perPixel, 0.001))));
    const double seconds = drag.m_dStartSeconds + dx * perPixel;
    drag.m_dSeconds = KeepTime(score, std::round(seconds / timeStep) * timeStep);
    const LaneFacts facts = FactsOf(drag.m_lane);
    if (facts.m_kind == LaneKind::Number) {
        const TimelineRow* row = FindLaneRow(m_rows, drag.m_nLayer, drag.m_lane);
        if (row) {
            const wxRect plot = PlotRect(*row);
            const LaneScale scale = ScaleFor(facts, plot.y, plot.height);
            const double start = drag.m_dStartValue == -INFINITY ? facts.m_dLowest : drag.m_dStartValue;
            const double value = start - dy * scale.ValuePerPixel() * factor;
            drag.m_dValue = SnapValue(facts, value, DragResolution(facts, fine));
        }
    } else if (facts.m_kind == LaneKind::Choice && !drag.m_keyframe) {
        drag.m_dValue = drag.m_dStartValue;
    }
    Refresh();
}

// The score as it would be with the drag let go now, with the dragged layer
// alone in it (layer is its index there): for drawing the drag as it goes.
Score TimelineCanvas::DragPreview(std::size_t& layer) const
{
    const Drag& drag = *m_drag;
    const Score& score = m_host.GetDocument().GetScore();
    Score preview = TopPart(score);
    preview.m_layers.push_back(score.m_layers[drag.m_nLayer]);
    layer = 0;
    const LaneValue value{drag.m_dValue, drag.m_list};
    const LaneTarget target{0, drag.m_lane};
    const ScoreEdit edit = drag.m_keyframe ? MovePoint(preview, target, *drag.m_keyframe, drag.m_dSeconds, value)
                                           : AddPoint(preview, target, drag.m_dSeconds, value);
    edit.Apply(preview);
    return preview;
}

void TimelineCanvas::FinishDrag()
{
    const Drag drag = *m_drag;
    m_drag.reset();
    if (!drag.m_bMoved) {
        Refresh();
        return;
    }
    const Score& score = m_host.GetDocument().GetScore();
    const LaneValue value{drag.m_dValue, drag.m_list};
    const LaneTarget target{drag.m_nLayer, drag.m_lane};
    ScoreEdit edit = drag.m_keyframe ? MovePoint(score, target, *drag.m_keyframe, drag.m_dSeconds, value)
                                     : AddPoint(score, target, drag.m_dSeconds, value);
    m_selection = Selection{drag.m_nLayer, drag.m_lane, drag.m_dSeconds};
    m_host.SubmitEdit(std::move(edit));
    Refresh();
}

void TimelineCanvas::OnLeftUp(wxMouseEvent& event)
{
    if (HasCapture())
        ReleaseMouse();
    if (!m_drag)
        return;
    UpdateDrag(event.GetPosition(), event.ShiftDown());
    FinishDrag();
}

void TimelineCanvas::OnCaptureLost(wxMouseCaptureLostEvent&)
{
    m_drag.reset();
    Refresh();
}

void TimelineCanvas::OnMotion(wxMouseEvent& event)
{
    if (m_drag && event.LeftIsDown()) {
        UpdateDrag(event.GetPosition(), event.ShiftDown());
        return;
    }
    UpdateToolTip(HitTest(event.GetPosition()));
}

void TimelineCanvas::UpdateToolTip(const Hit& hit)
{
    wxString tip;
    if (hit.m_pRow) {
        switch (hit.m_zone) {
        case Zone::Collapse: tip = "Show or hide this layer's lanes"; break;
        case Zone::Name: tip = "Select this layer: the inspector shows its source and parameters"; break;
        case Zone::Mute: tip = "Mute: not heard while listening (a render always holds every layer)"; break;
        case Zone::Solo: tip = "Solo: hear only the soloed layers while listening"; break;
        case Zone::Gain: tip = "The layer's gain in dB: double-click to type it, turn the wheel to change it"; break;
        case Zone::RemoveLane: tip = "Remove this lane (its keyframes and drift go too)"; break;
        case Zone::LaneLabel: tip = wxString::FromUTF8(FactsOf(hit.m_pRow->m_lane).m_strWhat) +
                                    "\nRight-click for its drift"; break;
        case Zone::AddLane: tip = "Add a lane for another parameter of this layer"; break;
        case Zone::Plot:
            tip = hit.m_keyframe ? "Drag to move (Shift: fine steps); double-click to type its value; "
                                   "right-click for its curve; Delete removes it"
                                 : "Click to add a keyframe";
            break;
        case Zone::None: break;
        }
    }
    if (tip != m_strToolTip) {
        m_strToolTip = tip;
        SetToolTip(tip);
    }
}

void TimelineCanvas::ClickHeader(const Hit& hit)
{
    const TimelineRow& row = *hit.m_pRow;
    LayerMonitor monitor = m_host.GetMonitor();
    switch (hit.m_zone) {
    case Zone::Collapse:
        if (!m_showing.m_collapsed.erase(row.m_nLayer))
            m_showing.m_collapsed.insert(row.m_nLayer);
        Relayout();
        Refresh();
        break;
    case Zone::Name: Select(Selection{row.m_nLayer, LaneKey::Gain(), std::nullopt}); break;
    case Zone::Mute:
        monitor.SetMuted(row.m_nLayer, !monitor.IsMuted(row.m_nLayer));
        m_host.SetMonitor(monitor);
        Refresh();
        break;
    case Zone::Solo:
        monitor.SetSoloed(row.m_nLayer, !monitor.IsSoloed(row.m_nLayer));
        m_host.SetMonitor(monitor);
        Refresh();
        break;
    case Zone::Gain: m_host.SelectLayer(row.m_nLayer); break;
    case Zone::RemoveLane: {
        const ScoreLayer& layer = m_host.GetDocument().GetScore().m_layers[row.m_nLayer];
        m_showing.m_added[row.m_nLayer].erase(row.m_lane);
        if (LaneMoves(layer, row.m_lane))
            m_host.SubmitEdit(ClearLane(m_host.GetDocument().GetScore(), {row.m_nLayer, row.m_lane}));
        else
            Relayout();
        Refresh();
        break;
    }
    case Zone::LaneLabel: Select(Selection{row.m_nLayer, row.m_lane, std::nullopt}); break;
    case Zone::AddLane: ShowAddLaneMenu(row.m_nLayer); break;
    case Zone::Plot:
    case Zone::None: break;
    }
}

void TimelineCanvas::AddLane(std::size_t layer, LaneKey lane)
{
    m_showing.m_added[layer].insert(lane);
    Relayout();
    Select(Selection{layer, lane, std::nullopt});
}

void TimelineCanvas::ShowAddLaneMenu(std::size_t layer)
{
    const Score& score = m_host.GetDocument().GetScore();
    if (layer >= score.m_layers.size())
        return;
    const std::vector<LaneKey> free = LanesToAdd(score.m_layers[layer], m_showing.m_added[layer]);
    if (free.empty())
        return;
    wxMenu menu;
    for (std::size_t i = 0; i < free.size(); ++i) {
        const LaneFacts facts = FactsOf(free[i]);
        const std::string unit = facts.m_strUnit.empty() ? "" : " (" + facts.m_strUnit + ")";
        menu.Append(kMenuAddLaneFirst + static_cast<int>(i), wxString::FromUTF8(facts.m_strLabel + unit));
    }
    const int chosen = GetPopupMenuSelectionFromUser(menu);
    if (chosen >= kMenuAddLaneFirst && chosen < kMenuAddLaneFirst + static_cast<int>(free.size()))
        AddLane(layer, free[static_cast<std::size_t>(chosen - kMenuAddLaneFirst)]);
}

void TimelineCanvas::OnDoubleClick(wxMouseEvent& event)
{
    const Hit hit = HitTest(event.GetPosition());
    if (!hit.m_pRow)
        return;
    if (hit.m_zone == Zone::Gain) {
        TypeGain(hit.m_pRow->m_nLayer);
        return;
    }
    if (hit.m_zone == Zone::Plot && hit.m_keyframe) {
        if (HasCapture())
            ReleaseMouse();
        m_drag.reset();
        TypeSelectedValue();
        return;
    }
    // Anything else: as a press (GTK turns a quick second click into this).
    OnLeftDown(event);
}

void TimelineCanvas::OnRightDown(wxMouseEvent& event)
{
    SetFocus();
    const Hit hit = HitTest(event.GetPosition());
    if (!hit.m_pRow || hit.m_pRow->m_kind != RowKind::Lane)
        return;
    const TimelineRow& row = *hit.m_pRow;
    if (hit.m_zone == Zone::Plot && hit.m_keyframe) {
        const Keyframe& keyframe = m_host.GetDocument().GetScore().m_layers[row.m_nLayer].m_keyframes[*hit.m_keyframe];
        Select(Selection{row.m_nLayer, row.m_lane, keyframe.m_dSeconds});
        ShowPointMenu(row.m_nLayer, row.m_lane);
    } else {
        Select(Selection{row.m_nLayer, row.m_lane, std::nullopt});
        ShowLaneMenu(row.m_nLayer, row.m_lane);
    }
}

void TimelineCanvas::ShowPointMenu(std::size_t, LaneKey lane)
{
    wxMenu menu;
    const std::optional<Curve> curve = GetSelectedCurve();
    if (FactsOf(lane).m_kind == LaneKind::Number) {
        wxMenu* curves = new wxMenu;
        curves->AppendRadioItem(kMenuCurveLinear, "&Linear");
        curves->AppendRadioItem(kMenuCurveSmooth, "&Smooth");
        curves->AppendRadioItem(kMenuCurveStep, "S&tep");
        if (curve)
            curves->Check(*curve == Curve::Linear ? kMenuCurveLinear : *curve == Curve::Smooth ? kMenuCurveSmooth : kMenuCurveStep, true);
        menu.AppendSubMenu(curves, "&Curve (for every value at this time)");
    }
    menu.Append(kMenuTypeValue, "&Value...\tEnter");
    menu.Append(kMenuDeletePoint, "&Delete\tDel");
    switch (GetPopupMenuSelectionFromUser(menu)) {
    case kMenuCurveLinear: SetSelectedCurve(Curve::Linear); break;
    case kMenuCurveSmooth: SetSelectedCurve(Curve::Smooth); break;
    case kMenuCurveStep: SetSelectedCurve(Curve::Step); break;
    case kMenuTypeValue: TypeSelectedValue(); break;
    case kMenuDeletePoint: DeleteSelectedPoint(); break;
    default: break;
    }
}

void TimelineCanvas::ShowLaneMenu(std::size_t layer, LaneKey lane)
{
    wxMenu menu;
    if (FactsOf(lane).m_bCanDrift)
        menu.Append(kMenuDrift, "&Drift...");
    menu.Append(kMenuRemoveLane, "&Remove Lane");
    switch (GetPopupMenuSelectionFromUser(menu)) {
    case kMenuDrift: ChooseDrift(layer, lane); break;
    case kMenuRemoveLane: {
        m_showing.m_added[layer].erase(lane);
        if (LaneMoves(m_host.GetDocument().GetScore().m_layers[layer], lane))
            m_host.SubmitEdit(ClearLane(m_host.GetDocument().GetScore(), {layer, lane}));
        else
            Relayout();
        Refresh();
        break;
    }
    default: break;
    }
}

void TimelineCanvas::ChooseDrift(std::size_t layer, LaneKey lane)
{
    const Score& score = m_host.GetDocument().GetScore();
    if (layer >= score.m_layers.size())
        return;
    const LaneFacts facts = FactsOf(lane);
    if (!facts.m_bCanDrift)
        return;
    const std::optional<Drift> drift = DriftOf(score.m_layers[layer], lane);
    TextRequest request;
    request.m_strTitle = facts.m_strLabel + " Drift";
    request.m_strMessage = "Depth (" + (facts.m_strUnit.empty() ? std::string("in the value's unit") : facts.m_strUnit) +
                           ") and period (seconds or M:SS), such as \"" +
                           FormatNumber((facts.m_dHighest - facts.m_dLowest) / 10) +
                           " 1:30\"; leave it empty for no drift:";
    if (drift)
        request.m_strInitial = DriftText(*drift);
    for (;;) {
        const std::optional<std::string> typed = AskText(this, request);
        if (!typed)
            return;
        if (typed->find_first_not_of(" \t") == std::string::npos) {
            m_host.SubmitEdit(SetLaneDrift(score, {layer, lane}, std::nullopt));
            return;
        }
        if (const std::optional<Drift> chosen = ParseDriftText(facts, *typed)) {
            m_host.SubmitEdit(SetLaneDrift(score, {layer, lane}, *chosen));
            return;
        }
        ShowError(this, "\"" + *typed + "\" is not a drift.",
                  "Give a depth more than 0, up to " + FormatNumber(facts.m_dHighest - facts.m_dLowest) +
                      ", and a period of one second or more, such as 0.5 1:30.");
        request.m_strInitial = *typed;
    }
}

void TimelineCanvas::TypeGain(std::size_t layer)
{
    const Score& score = m_host.GetDocument().GetScore();
    if (layer >= score.m_layers.size())
        return;
    const LaneFacts facts = FactsOf(LaneKey::Gain());
    TextRequest request;
    request.m_strTitle = "Layer Gain";
    request.m_strMessage = "The layer's gain in dB (" + DescribeLaneRange(facts) + "):";
    request.m_strInitial = GainText(score.m_layers[layer].m_dGainDb);
    for (;;) {
        const std::optional<std::string> typed = AskText(this, request);
        if (!typed)
            return;
        if (const std::optional<double> value = ParseLaneValue(facts, *typed)) {
            ScoreLayer own = LayerOwnPart(score.m_layers[layer]);
            own.m_dGainDb = *value;
            m_host.SubmitEdit(EditLayerOwn(score, layer, own, "Change gain"));
            return;
        }
        ShowError(this, "\"" + *typed + "\" is not a gain.", "Use " + DescribeLaneRange(facts) + ".");
        request.m_strInitial = *typed;
    }
}

void TimelineCanvas::OnWheel(wxMouseEvent& event)
{
    const int rotation = event.GetWheelRotation();
    if (rotation == 0)
        return;
    const int header = GetHeaderWidth();
    if (event.ControlDown()) {
        // Zoom around the pointer, a step of about 1.4 a notch.
        const double factor = rotation > 0 ? 1 / 1.4 : 1.4;
        m_view.ZoomBy(factor, std::max(event.GetX() - header, 0));
    } else if (event.ShiftDown() || event.GetWheelAxis() == wxMOUSE_WHEEL_HORIZONTAL) {
        m_view.ScrollTo(m_view.GetStart() - rotation / 120.0 * m_view.GetVisibleSeconds() * 0.1);
    } else {
        const Hit hit = HitTest(event.GetPosition());
        if (hit.m_pRow && hit.m_zone == Zone::Gain) {
            const Score& score = m_host.GetDocument().GetScore();
            ScoreLayer own = LayerOwnPart(score.m_layers[hit.m_pRow->m_nLayer]);
            const double from = own.m_dGainDb == -INFINITY ? kQuietestGainDb : own.m_dGainDb;
            own.m_dGainDb = KeepValue(FactsOf(LaneKey::Gain()), from + (rotation > 0 ? 0.5 : -0.5));
            m_host.SubmitEdit(EditLayerOwn(score, hit.m_pRow->m_nLayer, own, "Change gain"));
            return;
        }
        SetScrollY(m_nScrollY - rotation / 120 * m_heights.m_nLane / 2);
        if (m_onLayoutChanged)
            m_onLayoutChanged();
        return;
    }
    if (m_onTimeChanged)
        m_onTimeChanged();
    Refresh();
}

void TimelineCanvas::OnKeyDown(wxKeyEvent& event)
{
    const bool fine = event.ShiftDown();
    switch (event.GetKeyCode()) {
    case WXK_LEFT: NudgeSelectedPoint(-1, 0, fine); return;
    case WXK_RIGHT: NudgeSelectedPoint(1, 0, fine); return;
    case WXK_UP: NudgeSelectedPoint(0, 1, fine); return;
    case WXK_DOWN: NudgeSelectedPoint(0, -1, fine); return;
    case WXK_DELETE:
    case WXK_BACK: DeleteSelectedPoint(); return;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER: TypeSelectedValue(); return;
    case WXK_INSERT: AddPointAtPlayhead(); return;
    case WXK_PAGEUP: SelectNeighbourLane(-1); return;
    case WXK_PAGEDOWN: SelectNeighbourLane(1); return;
    case '[': SelectNeighbourPoint(-1); return;
    case ']': SelectNeighbourPoint(1); return;
    default: break;
    }
    event.Skip();
}

void TimelineCanvas::SelectNeighbourLane(int direction)
{
    std::vector<const TimelineRow*> lanes;
    for (const TimelineRow& row : m_rows) {
        if (row.m_kind == RowKind::Lane)
            lanes.push_back(&row);
    }
    if (lanes.empty())
        return;
    std::size_t index = direction > 0 ? 0 : lanes.size() - 1;
    if (m_selection) {
        for (std::size_t i = 0; i < lanes.size(); ++i) {
            if (lanes[i]->m_nLayer == m_selection->m_nLayer && lanes[i]->m_lane == m_selection->m_lane) {
                index = static_cast<std::size_t>(std::clamp<long>(static_cast<long>(i) + direction, 0,
                                                                  static_cast<long>(lanes.size()) - 1));
            }
        }
    }
    Select(Selection{lanes[index]->m_nLayer, lanes[index]->m_lane, std::nullopt});
    // Keep the lane in sight.
    if (lanes[index]->m_nTop < m_nScrollY)
        SetScrollY(lanes[index]->m_nTop);
    else if (lanes[index]->Bottom() > m_nScrollY + GetClientSize().y)
        SetScrollY(lanes[index]->Bottom() - GetClientSize().y);
    if (m_onLayoutChanged)
        m_onLayoutChanged();
}

void TimelineCanvas::SelectNeighbourPoint(int direction)
{
    if (!m_selection)
        return;
    const Score& score = m_host.GetDocument().GetScore();
    const std::vector<LanePoint> points = PointsOf(score.m_layers[m_selection->m_nLayer], m_selection->m_lane);
    if (points.empty())
        return;
    const double from = m_selection->m_pointSeconds.value_or(direction > 0 ? -1.0 : INFINITY);
    std::optional<double> chosen;
    for (const LanePoint& point : points) {
        if (direction > 0 && point.m_dSeconds > from && !chosen)
            chosen = point.m_dSeconds;
        if (direction < 0 && point.m_dSeconds < from)
            chosen = point.m_dSeconds;
    }
    if (!chosen)
        return;
    m_selection->m_pointSeconds = chosen;
    if (*chosen < m_view.GetStart() || *chosen > m_view.GetEnd()) {
        m_view.Follow(*chosen);
        if (m_onTimeChanged)
            m_onTimeChanged();
    }
    Refresh();
}

void TimelineCanvas::NudgeSelectedPoint(int columns, int steps, bool fine)
{
    const std::optional<std::size_t> keyframe = SelectedKeyframe();
    if (!keyframe)
        return;
    const Score& score = m_host.GetDocument().GetScore();
    const ScoreLayer& layer = score.m_layers[m_selection->m_nLayer];
    const LaneFacts facts = FactsOf(m_selection->m_lane);
    LaneValue value;
    for (const LanePoint& point : PointsOf(layer, m_selection->m_lane)) {
        if (point.m_nKeyframe == *keyframe) {
            value.m_dNumber = point.m_dValue;
            value.m_list = point.m_list;
        }
    }
    // A pixel's worth of time, rounded as a drag rounds it.
    const double perPixel = m_view.GetSecondsPerPixel() * (fine ? kFineFactor : 1.0);
    const double timeStep = std::pow(10.0, std::floor(std::log10(std::max(perPixel, 0.001))));
    const double seconds = layer.m_keyframes[*keyframe].m_dSeconds + columns * std::max(timeStep, 0.001);
    if (steps != 0 && facts.m_kind != LaneKind::List) {
        const double from = value.m_dNumber == -INFINITY ? facts.m_dLowest : value.m_dNumber;
        const double resolution = facts.m_kind == LaneKind::Choice ? 1.0 : DragResolution(facts, fine);
        value.m_dNumber = SnapValue(facts, from + steps * resolution, resolution);
    }
    const double kept = KeepTime(score, seconds);
    m_selection->m_pointSeconds = kept;
    m_host.SubmitEdit(MovePoint(score, {m_selection->m_nLayer, m_selection->m_lane}, *keyframe, kept, value));
}

void TimelineCanvas::DeleteSelectedPoint()
{
    const std::optional<std::size_t> keyframe = SelectedKeyframe();
    if (!keyframe)
        return;
    const Selection selection = *m_selection;
    m_selection->m_pointSeconds.reset();
    m_host.SubmitEdit(DeletePoint(m_host.GetDocument().GetScore(), {selection.m_nLayer, selection.m_lane}, *keyframe));
}

std::optional<Curve> TimelineCanvas::GetSelectedCurve() const
{
    const std::optional<std::size_t> keyframe = SelectedKeyframe();
    if (!keyframe)
        return std::nullopt;
    return m_host.GetDocument().GetScore().m_layers[m_selection->m_nLayer].m_keyframes[*keyframe].m_curve;
}

void TimelineCanvas::SetSelectedCurve(Curve curve)
{
    const std::optional<std::size_t> keyframe = SelectedKeyframe();
    if (!keyframe)
        return;
    m_host.SubmitEdit(
        SetPointCurve(m_host.GetDocument().GetScore(), {m_selection->m_nLayer, m_selection->m_lane}, *keyframe, curve));
}

void TimelineCanvas::TypeSelectedValue()
{
    const std::optional<std::size_t> keyframe = SelectedKeyframe();
    if (!keyframe)
        return;
    const Selection selection = *m_selection;
    const Score& score = m_host.GetDocument().GetScore();
    const ScoreLayer& layer = score.m_layers[selection.m_nLayer];
    const LaneFacts facts = FactsOf(selection.m_lane);
    LanePoint current;
    for (const LanePoint& point : PointsOf(layer, selection.m_lane)) {
        if (point.m_nKeyframe == *keyframe)
            current = point;
    }
    TextRequest request;
    request.m_strTitle = "Keyframe Value";
    request.m_strMessage = facts.m_strLabel + " at " + FormatClockTime(current.m_dSeconds, 0.001) + " (" +
                           DescribeLaneRange(facts) + "):";
    if (facts.m_kind == LaneKind::List) {
        for (const double value : current.m_list)
            request.m_strInitial.append(request.m_strInitial.empty() ? "" : ", ").append(FormatNumber(value));
    } else if (facts.m_kind == LaneKind::Choice) {
        request.m_strInitial = FormatLaneValue(facts, current.m_dValue);
    } else {
        request.m_strInitial = current.m_dValue == -INFINITY ? "-inf" : FormatNumber(current.m_dValue);
    }
    for (;;) {
        const std::optional<std::string> typed = AskText(this, request);
        if (!typed)
            return;
        LaneValue value;
        bool allowed = false;
        if (facts.m_kind == LaneKind::List) {
            if (auto list = ParseLaneList(facts, *typed)) {
                value.m_list = std::move(*list);
                allowed = true;
            }
        } else if (const std::optional<double> number = ParseLaneValue(facts, *typed)) {
            value.m_dNumber = *number;
            allowed = true;
        }
        if (allowed) {
            m_host.SubmitEdit(MovePoint(m_host.GetDocument().GetScore(), {selection.m_nLayer, selection.m_lane},
                                        *keyframe, current.m_dSeconds, value));
            return;
        }
        ShowError(this, "\"" + *typed + "\" is not allowed for " + facts.m_strLabel + ".",
                  "Use " + DescribeLaneRange(facts) + ".");
        request.m_strInitial = *typed;
    }
}

void TimelineCanvas::AddPointAtPlayhead()
{
    if (!m_selection)
        return;
    const Score& score = m_host.GetDocument().GetScore();
    const Selection selection = *m_selection;
    if (selection.m_nLayer >= score.m_layers.size())
        return;
    const ScoreLayer& layer = score.m_layers[selection.m_nLayer];
    const double seconds = KeepTime(score, m_dPlayhead);
    LaneValue value;
    if (FactsOf(selection.m_lane).m_kind == LaneKind::List)
        value.m_list = ListAt(layer, selection.m_lane, seconds);
    else
        value.m_dNumber = LineOf(layer, selection.m_lane).At(seconds);
    m_selection->m_pointSeconds = seconds;
    m_host.SubmitEdit(AddPoint(score, {selection.m_nLayer, selection.m_lane}, seconds, value));
}

void TimelineCanvas::OnSize(wxSizeEvent& event)
{
    SetScrollY(m_nScrollY);
    if (m_onLayoutChanged)
        m_onLayoutChanged();
    event.Skip();
}

// The lanes are drawn into a picture kept until something they show
// changes; while playing, the playhead moves thirty times a second over it,
// and each move draws two columns of the picture and the line, not every
// lane again.
void TimelineCanvas::OnPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    const wxSize size = GetClientSize();
    if (size.x <= 0 || size.y <= 0)
        return;
    const double scale = GetContentScaleFactor();
    if (!m_picture.IsOk() || m_picture.GetLogicalSize() != size || m_picture.GetScaleFactor() != scale) {
        m_picture.CreateWithDIPSize(size, scale);
        m_bPictureValid = false;
    }
    if (!m_bPictureValid) {
        wxMemoryDC picture(m_picture);
        PaintPicture(picture, size);
        m_bPictureValid = true;
    }
    dc.DrawBitmap(m_picture, 0, 0);
    if (!m_host.GetDocument().HasLayers())
        return;
    PaintPlayhead(dc, wxRect(GetHeaderWidth(), 0, size.x - GetHeaderWidth(), size.y));
    if (m_drag && m_drag->m_bMoved)
        PaintReadout(dc);
}

void TimelineCanvas::PaintPicture(wxDC& dc, const wxSize& size)
{
    dc.SetBackground(wxBrush(m_palette.m_background));
    dc.Clear();
    dc.SetFont(GetFont());
    const Score& score = m_host.GetDocument().GetScore();
    const int header = GetHeaderWidth();
    if (score.m_layers.empty()) {
        dc.SetTextForeground(m_palette.m_dimText);
        dc.DrawText("Open a score, a rendered file or a sound (Ctrl+O), or drop one here.", FromDIP(16), FromDIP(16));
        return;
    }
    std::size_t previewLayer = 0;
    std::optional<Score> preview;
    if (m_drag && m_drag->m_bMoved)
        preview = DragPreview(previewLayer);
    const LayerMonitor& monitor = m_host.GetMonitor();
    int laneCount = 0;
    for (const TimelineRow& row : m_rows) {
        const wxRect rect(0, row.m_nTop - m_nScrollY, size.x, row.m_nHeight);
        if (row.m_kind == RowKind::Lane)
            ++laneCount;
        if (rect.GetBottom() < 0 || rect.y > size.y)
            continue;
        const wxRect headerRect(0, rect.y, header, rect.height);
        switch (row.m_kind) {
        case RowKind::Layer: PaintLayerHeader(dc, row, headerRect); break;
        case RowKind::AddLane: PaintAddLane(dc, row, headerRect); break;
        case RowKind::Lane: {
            PaintLaneHeader(dc, row, headerRect);
            const wxRect plot = PlotRect(row);
            dc.SetPen(*wxTRANSPARENT_PEN);
            dc.SetBrush(wxBrush(laneCount % 2 ? m_palette.m_laneBackground : m_palette.m_laneAlternate));
            dc.DrawRectangle(plot);
            PaintTimeGrid(dc, plot, m_view, m_palette, kMinLabelPixels);
            const bool dragged = preview && m_drag->m_nLayer == row.m_nLayer && m_drag->m_lane == row.m_lane;
            LanePaint paint;
            paint.m_pLayer = dragged ? &preview->m_layers[previewLayer] : &score.m_layers[row.m_nLayer];
            paint.m_facts = FactsOf(row.m_lane);
            paint.m_plot = plot;
            paint.m_pView = &m_view;
            paint.m_palette = m_palette;
            paint.m_bHeard = monitor.IsHeard(row.m_nLayer);
            const bool selectedLane = m_selection && m_selection->m_nLayer == row.m_nLayer && m_selection->m_lane == row.m_lane;
            if (dragged)
                paint.m_selectedSeconds = m_drag->m_dSeconds;
            else if (selectedLane)
                paint.m_selectedSeconds = m_selection->m_pointSeconds;
            PaintLane(dc, paint);
            break;
        }
        }
    }
    // The track's end, past which nothing sounds.
    const int end = header + static_cast<int>(std::lround(m_view.XOf(m_view.GetTrackSeconds())));
    if (end < size.x) {
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(m_palette.m_background));
        dc.DrawRectangle(end + 1, 0, size.x - end, size.y);
    }
}

void TimelineCanvas::PaintLayerHeader(wxDC& dc, const TimelineRow& row, const wxRect& rect)
{
    const Score& score = m_host.GetDocument().GetScore();
    const ScoreLayer& layer = score.m_layers[row.m_nLayer];
    const LayerMonitor& monitor = m_host.GetMonitor();
    const bool selected = m_host.GetSelectedLayer() == row.m_nLayer;
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(selected ? Mix(m_palette.m_headerBackground, m_palette.m_line, 0.25) : m_palette.m_headerBackground));
    dc.DrawRectangle(0, rect.y, GetClientSize().x, rect.height);
    dc.SetPen(wxPen(m_palette.m_gridMajor));
    dc.DrawLine(0, rect.y, GetClientSize().x, rect.y);
    // The fold mark: pointing down when the lanes show.
    const bool collapsed = m_showing.m_collapsed.count(row.m_nLayer) > 0;
    const int cx = FromDIP(9);
    const int cy = rect.y + rect.height / 2;
    const wxPoint open[] = {{cx - 4, cy - 2}, {cx + 4, cy - 2}, {cx, cy + 3}};
    const wxPoint folded[] = {{cx - 2, cy - 4}, {cx - 2, cy + 4}, {cx + 3, cy}};
    dc.SetBrush(wxBrush(m_palette.m_text));
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.DrawPolygon(3, collapsed ? folded : open);
    dc.SetTextForeground(m_palette.m_text);
    const wxRect mute = MuteRect(rect);
    dc.SetClippingRegion(FromDIP(18), rect.y, mute.x - FromDIP(22), rect.height);
    const wxString name = wxString::FromUTF8(LayerName(layer, row.m_nLayer));
    dc.DrawText(name, FromDIP(20), rect.y + (rect.height - dc.GetCharHeight()) / 2);
    dc.DestroyClippingRegion();
    const auto button = [&](const wxRect& box, const wxString& label, bool on, const wxColour& colour) {
        dc.SetPen(wxPen(m_palette.m_gridMajor));
        dc.SetBrush(wxBrush(on ? colour : m_palette.m_laneBackground));
        dc.DrawRoundedRectangle(box, 3);
        dc.SetTextForeground(on ? *wxBLACK : m_palette.m_text);
        const wxSize extent = dc.GetTextExtent(label);
        dc.DrawText(label, box.x + (box.width - extent.x) / 2, box.y + (box.height - extent.y) / 2);
    };
    button(mute, "M", monitor.IsMuted(row.m_nLayer), m_palette.m_mute);
    button(SoloRect(rect), "S", monitor.IsSoloed(row.m_nLayer), m_palette.m_solo);
    const wxRect gain = GainRect(rect);
    dc.SetTextForeground(m_palette.m_text);
    const wxString gainText = wxString::FromUTF8(GainText(layer.m_dGainDb));
    const wxSize extent = dc.GetTextExtent(gainText);
    dc.DrawText(gainText, gain.GetRight() - extent.x, gain.y + (gain.height - extent.y) / 2);
}

void TimelineCanvas::PaintLaneHeader(wxDC& dc, const TimelineRow& row, const wxRect& rect)
{
    const LaneFacts facts = FactsOf(row.m_lane);
    const bool selected = m_selection && m_selection->m_nLayer == row.m_nLayer && m_selection->m_lane == row.m_lane;
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(selected ? Mix(m_palette.m_background, m_palette.m_line, 0.18) : m_palette.m_background));
    dc.DrawRectangle(rect);
    if (selected && HasFocus()) {
        dc.SetPen(wxPen(m_palette.m_selected, 1, wxPENSTYLE_DOT));
        dc.SetBrush(*wxTRANSPARENT_BRUSH);
        dc.DrawRectangle(wxRect(rect).Deflate(2));
    }
    dc.SetTextForeground(m_palette.m_text);
    const int left = FromDIP(20);
    dc.DrawText(wxString::FromUTF8(facts.m_strLabel), left, rect.y + FromDIP(6));
    const ScoreLayer& layer = m_host.GetDocument().GetScore().m_layers[row.m_nLayer];
    std::string detail = facts.m_strUnit;
    if (const std::optional<Drift> drift = DriftOf(layer, row.m_lane))
        detail += (detail.empty() ? "" : "   ") + std::string("drift ±") + FormatNumber(drift->m_dDepth) + " / " +
                  FormatClockTime(drift->m_dPeriodSeconds);
    wxFont small = dc.GetFont();
    dc.SetFont(small.Smaller());
    dc.SetTextForeground(m_palette.m_dimText);
    dc.DrawText(wxString::FromUTF8(detail), left, rect.y + FromDIP(26));
    const wxRect remove = RemoveRect(rect);
    if (facts.m_kind == LaneKind::Number) {
        // The range's ends at the plot's edge, the top one clear of the
        // remove mark.
        const wxString high = wxString::FromUTF8(FormatNumber(facts.m_dHighest));
        const wxString low = wxString::FromUTF8(FormatNumber(facts.m_dLowest));
        const wxSize highExtent = dc.GetTextExtent(high);
        const wxSize lowExtent = dc.GetTextExtent(low);
        dc.DrawText(high, remove.x - highExtent.x - 2, rect.y + 2);
        dc.DrawText(low, rect.GetRight() - lowExtent.x - 4, rect.GetBottom() - lowExtent.y - 1);
    }
    dc.SetFont(small);
    dc.SetPen(wxPen(m_palette.m_dimText, 1));
    const int m = 4;
    dc.DrawLine(remove.x + m, remove.y + m, remove.GetRight() - m + 1, remove.GetBottom() - m + 1);
    dc.DrawLine(remove.GetRight() - m, remove.y + m, remove.x + m - 1, remove.GetBottom() - m + 1);
}

void TimelineCanvas::PaintAddLane(wxDC& dc, const TimelineRow& row, const wxRect& rect)
{
    dc.SetPen(*wxTRANSPARENT_PEN);
    dc.SetBrush(wxBrush(m_palette.m_background));
    dc.DrawRectangle(rect);
    const Score& score = m_host.GetDocument().GetScore();
    const auto added = m_showing.m_added.find(row.m_nLayer);
    static const std::set<LaneKey> kNone;
    const bool any = !LanesToAdd(score.m_layers[row.m_nLayer], added == m_showing.m_added.end() ? kNone : added->second).empty();
    dc.SetTextForeground(any ? m_palette.m_dimText : m_palette.m_grid);
    wxFont font = dc.GetFont();
    dc.SetFont(font.Smaller());
    dc.DrawText("+ Add lane", FromDIP(20), rect.y + (rect.height - dc.GetCharHeight()) / 2);
    dc.SetFont(font);
}

void TimelineCanvas::PaintPlayhead(wxDC& dc, const wxRect& area)
{
    const int x = area.x + static_cast<int>(std::lround(m_view.XOf(m_dPlayhead)));
    if (x < area.x || x > area.GetRight())
        return;
    dc.SetPen(wxPen(m_palette.m_playhead, 1));
    dc.DrawLine(x, area.y, x, area.GetBottom() + 1);
}

void TimelineCanvas::PaintReadout(wxDC& dc)
{
    const Drag& drag = *m_drag;
    const LaneFacts facts = FactsOf(drag.m_lane);
    std::string text = FormatClockTime(drag.m_dSeconds, m_view.GetSecondsPerPixel() < 0.01 ? 0.001 : 0.01);
    if (facts.m_kind == LaneKind::Number)
        text += "   " + FormatLaneValue(facts, drag.m_dValue);
    const TimelineRow* row = FindLaneRow(m_rows, drag.m_nLayer, drag.m_lane);
    if (!row)
        return;
    const wxRect plot = PlotRect(*row);
    const wxString label = wxString::FromUTF8(text);
    const wxSize extent = dc.GetTextExtent(label);
    int x = plot.x + static_cast<int>(std::lround(m_view.XOf(drag.m_dSeconds))) + 10;
    if (x + extent.x + 8 > plot.GetRight())
        x -= extent.x + 28;
    const int y = plot.y + 2;
    dc.SetPen(wxPen(m_palette.m_selected));
    dc.SetBrush(wxBrush(m_palette.m_laneBackground));
    dc.DrawRectangle(x - 4, y, extent.x + 8, extent.y + 2);
    dc.SetTextForeground(m_palette.m_text);
    dc.DrawText(label, x, y + 1);
}

}  // namespace studio
