// The timeline as a whole: the ruler over the lanes, the lanes, and the
// scroll bars that move through time and down the layers. It keeps the
// view of time (zoom and scroll) and follows the playhead while playing.
#pragma once

#include <wx/panel.h>

#include "studio/app/studio_host.h"
#include "studio/model/time_view.h"

class wxScrollBar;

namespace studio {

class RulerCtrl;
class TimelineCanvas;

class TimelinePanel : public wxPanel {
public:
    TimelinePanel(wxWindow* parent, StudioHost& host);

    TimelineCanvas& GetCanvas() { return *m_pCanvas; }
    RulerCtrl& GetRuler() { return *m_pRuler; }
    TimeView& GetView() { return m_view; }

    void DocumentChanged();
    // The playhead moved; with follow, the view pages to keep it in sight.
    void SetPlayhead(double seconds, bool follow);
    void ZoomIn();
    void ZoomOut();
    void ShowAll();
    void ThemeChanged();

private:
    void TimeChanged();
    void UpdateScrollBars();
    void OnSize(wxSizeEvent& event);
    void OnHorizontalScroll(wxScrollEvent& event);
    void OnVerticalScroll(wxScrollEvent& event);

    StudioHost& m_host;
    TimeView m_view;
    wxWindow* m_pCorner = nullptr;
    RulerCtrl* m_pRuler = nullptr;
    TimelineCanvas* m_pCanvas = nullptr;
    wxScrollBar* m_pTimeBar = nullptr;
    wxScrollBar* m_pLayerBar = nullptr;
    double m_dPlayhead = 0.0;
};

}  // namespace studio
