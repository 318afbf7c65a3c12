#include "studio/timeline/timeline_panel.h"

#include <wx/scrolbar.h>
#include <wx/sizer.h>

#include <algorithm>
#include <cmath>

#include "studio/timeline/ruler_ctrl.h"
#include "studio/timeline/timeline_canvas.h"

namespace studio {

namespace {

// The time scroll bar's positions: this many across the whole track.
constexpr int kTimeBarRange = 100000;

}  // namespace

TimelinePanel::TimelinePanel(wxWindow* parent, StudioHost& host)
    : wxPanel(parent, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxTAB_TRAVERSAL)
    , m_host(host)
{
    SetName("timeline panel");
    m_pCanvas = new TimelineCanvas(this, host, m_view);
    m_pCorner = new wxWindow(this, wxID_ANY);
    m_pCorner->SetMinSize(wxSize(m_pCanvas->GetHeaderWidth(), -1));
    m_pRuler = new RulerCtrl(this, host, m_view);
    m_pTimeBar = new wxScrollBar(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSB_HORIZONTAL);
    m_pTimeBar->SetName("time scroll bar");
    m_pLayerBar = new wxScrollBar(this, wxID_ANY, wxDefaultPosition, wxDefaultSize, wxSB_VERTICAL);
    m_pLayerBar->SetName("layer scroll bar");

    auto* top = new wxBoxSizer(wxHORIZONTAL);
    top->Add(m_pCorner, 0, wxEXPAND);
    top->Add(m_pRuler, 1, wxEXPAND);
    top->AddSpacer(m_pLayerBar->GetBestSize().x);
    auto* middle = new wxBoxSizer(wxHORIZONTAL);
    middle->Add(m_pCanvas, 1, wxEXPAND);
    middle->Add(m_pLayerBar, 0, wxEXPAND);
    auto* bottom = new wxBoxSizer(wxHORIZONTAL);
    bottom->AddSpacer(m_pCanvas->GetHeaderWidth());
    bottom->Add(m_pTimeBar, 1, wxEXPAND);
    bottom->AddSpacer(m_pLayerBar->GetBestSize().x);
    auto* column = new wxBoxSizer(wxVERTICAL);
    column->Add(top, 0, wxEXPAND);
    column->Add(middle, 1, wxEXPAND);
    column->Add(bottom, 0, wxEXPAND);
    SetSizer(column);

    m_pCanvas->m_onLayoutChanged = [this] { UpdateScrollBars(); };
    m_pCanvas->m_onTimeChanged = [this] { TimeChanged(); };
    Bind(wxEVT_SIZE, &TimelinePanel::OnSize, this);
    m_pTimeBar->Bind(wxEVT_SCROLL_THUMBTRACK, &TimelinePanel::OnHorizontalScroll, this);
    m_pTimeBar->Bind(wxEVT_SCROLL_CHANGED, &TimelinePanel::OnHorizontalScroll, this);
    m_pTimeBar->Bind(wxEVT_SCROLL_LINEUP, &TimelinePanel::OnHorizontalScroll, this);
    m_pTimeBar->Bind(wxEVT_SCROLL_LINEDOWN, &TimelinePanel::OnHorizontalScroll, this);
    m_pTimeBar->Bind(wxEVT_SCROLL_PAGEUP, &TimelinePanel::OnHorizontalScroll, this);
    m_pTimeBar->Bind(wxEVT_SCROLL_PAGEDOWN, &TimelinePanel::OnHorizontalScroll, this);
    m_pLayerBar->Bind(wxEVT_SCROLL_THUMBTRACK, &TimelinePanel::OnVerticalScroll, this);
    m_pLayerBar->Bind(wxEVT_SCROLL_CHANGED, &TimelinePanel::OnVerticalScroll, this);
    m_pLayerBar->Bind(wxEVT_SCROLL_LINEUP, &TimelinePanel::OnVerticalScroll, this);
    m_pLayerBar->Bind(wxEVT_SCROLL_LINEDOWN, &TimelinePanel::OnVerticalScroll, this);
    m_pLayerBar->Bind(wxEVT_SCROLL_PAGEUP, &TimelinePanel::OnVerticalScroll, this);
    m_pLayerBar->Bind(wxEVT_SCROLL_PAGEDOWN, &TimelinePanel::OnVerticalScroll, this);
}

void TimelinePanel::DocumentChanged()
{
    const double length = m_host.GetDocument().GetScore().m_nLengthSeconds;
    if (length != m_view.GetTrackSeconds()) {
        m_view.SetTrackSeconds(length);
        m_view.ShowAll();
    }
    m_pCanvas->DocumentChanged();
    TimeChanged();
}

void TimelinePanel::ThemeChanged()
{
    m_pCanvas->ThemeChanged();
    m_pRuler->ThemeChanged();
}

void TimelinePanel::TimeChanged()
{
    m_pCanvas->TimeChanged();
    m_pRuler->Refresh();
    UpdateScrollBars();
}

void TimelinePanel::UpdateScrollBars()
{
    const double track = std::max(m_view.GetTrackSeconds(), 1.0);
    const int thumb = std::max(1, static_cast<int>(kTimeBarRange * m_view.GetVisibleSeconds() / track));
    const int position = static_cast<int>(kTimeBarRange * m_view.GetStart() / track);
    m_pTimeBar->SetScrollbar(position, thumb, kTimeBarRange, std::max(thumb * 9 / 10, 1));
    const int content = m_pCanvas->GetContentHeight();
    const int page = std::max(m_pCanvas->GetClientSize().y, 1);
    m_pLayerBar->SetScrollbar(m_pCanvas->GetScrollY(), page, std::max(content, page), page * 9 / 10);
}

void TimelinePanel::OnSize(wxSizeEvent& event)
{
    event.Skip();
    CallAfter([this] {
        m_view.SetWidth(m_pRuler->GetClientSize().x);
        TimeChanged();
    });
}

void TimelinePanel::OnHorizontalScroll(wxScrollEvent& event)
{
    const double track = std::max(m_view.GetTrackSeconds(), 1.0);
    m_view.ScrollTo(event.GetPosition() * track / kTimeBarRange);
    m_pCanvas->TimeChanged();
    m_pRuler->Refresh();
}

void TimelinePanel::OnVerticalScroll(wxScrollEvent& event)
{
    m_pCanvas->SetScrollY(event.GetPosition());
}

void TimelinePanel::SetPlayhead(double seconds, bool follow)
{
    m_dPlayhead = seconds;
    if (follow && (seconds < m_view.GetStart() || seconds >= m_view.GetEnd())) {
        m_view.Follow(seconds);
        TimeChanged();
    }
    m_pRuler->SetPlayhead(seconds);
    m_pCanvas->SetPlayhead(seconds);
}

void TimelinePanel::ZoomIn()
{
    m_view.ZoomBy(0.5, std::clamp(m_view.XOf(m_dPlayhead), 0.0, static_cast<double>(m_view.GetWidth())));
    TimeChanged();
}

void TimelinePanel::ZoomOut()
{
    m_view.ZoomBy(2.0, std::clamp(m_view.XOf(m_dPlayhead), 0.0, static_cast<double>(m_view.GetWidth())));
    TimeChanged();
}

void TimelinePanel::ShowAll()
{
    m_view.ShowAll();
    TimeChanged();
}

}  // namespace studio
