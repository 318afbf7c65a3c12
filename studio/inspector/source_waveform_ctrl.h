// The waveform of a layer's source with the stretch the layer reads
// (source_start and source_end as handles to drag) and how far the reading
// wanders within it over a segment (the scanning range).
#pragma once

#include <wx/window.h>

#include <functional>
#include <memory>
#include <optional>

#include "analysis/waveform_overview.h"

namespace studio {

class SourceWaveformCtrl : public wxWindow {
public:
    explicit SourceWaveformCtrl(wxWindow* parent);

    // The source's outline and length, or none with a note ("Loading...",
    // or why it cannot be shown).
    void SetSound(std::shared_ptr<const WaveformOverview> overview, double seconds, const wxString& note = {});
    // The stretch read, in seconds (none: from the start, to the end).
    void SetStretch(std::optional<double> start, std::optional<double> end);
    // How far the reading wanders over a segment, in seconds either way.
    void SetWander(double seconds);

    // Its handles move by mouse; the keyboard sets the same stretch in the
    // "source start" and "source end" fields beside it, so Tab passes it by.
    bool AcceptsFocusFromKeyboard() const override { return false; }

    // A handle was let go at a new place.
    std::function<void(std::optional<double> start, std::optional<double> end)> m_onStretchChosen;

private:
    enum class Handle { None, Start, End };

    void OnPaint(wxPaintEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnMotion(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    double XOf(double seconds) const;
    double SecondsAt(int x) const;
    Handle HandleAt(int x) const;

    std::shared_ptr<const WaveformOverview> m_pOverview;
    double m_dSeconds = 0.0;
    wxString m_strNote;
    std::optional<double> m_start;
    std::optional<double> m_end;
    double m_dWander = 0.0;
    Handle m_dragging = Handle::None;
};

}  // namespace studio
