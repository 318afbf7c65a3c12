// MinuteSecondPicker: a small "mm:ss" length field with up and down arrows.
#pragma once

#include <wx/control.h>
#include <wx/timer.h>

#include "ui/panel/minute_second_fields.h"

// Sent (as a wxCommandEvent with the picker's id) after every change the user
// makes; setting the length from code sends nothing.
wxDECLARE_EVENT(EVT_LENGTH_PICKER_CHANGED, wxCommandEvent);

// Shows the length as "mm:ss" and edits one field at a time, as a time
// picker does: the active field is highlighted while the control has the
// focus. Up/Down (or the arrow buttons at the right edge, repeating while
// held) step the active field, wrapping within 00..59; Left/Right choose the
// field; digits type into it (see MinuteSecondFields), and a separator (':',
// '.' or ',', the keypad's decimal key among them) ends the minutes and moves
// on to the seconds. Tab moves the focus on.
class MinuteSecondPicker : public wxControl {
public:
    MinuteSecondPicker(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                       const wxSize& size = wxDefaultSize);

    void SetLength(MinutesSeconds length);
    MinutesSeconds GetLength() const { return m_fields.GetLength(); }
    MinuteSecondFields::Field GetActiveField() const { return m_fields.GetActiveField(); }
    // The text shown: "mm:ss".
    wxString GetDisplayText() const;

    // Where things are drawn, in client coordinates.
    wxRect GetFieldRect(MinuteSecondFields::Field field) const;
    wxRect GetUpArrowRect() const;
    wxRect GetDownArrowRect() const;

    static constexpr int kArrowWidth = 12;
    static constexpr int kFirstRepeatMilliseconds = 400;
    static constexpr int kNextRepeatMilliseconds = 80;

protected:
    wxSize DoGetBestSize() const override;

private:
    void OnPaint(wxPaintEvent& event);
    void OnEraseBackground(wxEraseEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnChar(wxKeyEvent& event);
    void OnLeftDown(wxMouseEvent& event);
    void OnLeftUp(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    void OnFocusChange(wxFocusEvent& event);
    void OnRepeatTimer(wxTimerEvent& event);

    // A desktop font too wide for "00:00" beside the arrows is made smaller,
    // down to the smallest legible size (text_fitting.h).
    void FitFontToWidth();
    void PaintArrow(wxDC& dc, const wxRect& rect, bool up, bool pressed) const;
    wxRect TextArea() const;
    int TextLeft() const;
    void StepByUser(int delta);
    void ChangedByUser(bool changed);
    void EndArrowPress();

    MinuteSecondFields m_fields;
    int m_nPressedArrow = 0;  // +1 up arrow held, -1 down arrow held, 0 none
    wxTimer m_repeatTimer;
};
