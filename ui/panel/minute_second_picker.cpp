#include "ui/panel/minute_second_picker.h"

#include <wx/dcbuffer.h>
#include <wx/dcclient.h>
#include <wx/settings.h>

#include <algorithm>

#include "ui/dialog_template/text_fitting.h"

wxDEFINE_EVENT(EVT_LENGTH_PICKER_CHANGED, wxCommandEvent);

namespace {

constexpr int kTextPadding = 3;

int DigitOf(int keyCode)
{
    if (keyCode >= '0' && keyCode <= '9')
        return keyCode - '0';
    if (keyCode >= WXK_NUMPAD0 && keyCode <= WXK_NUMPAD9)
        return keyCode - WXK_NUMPAD0;
    return -1;
}

// The characters that separate minutes from seconds: ':' as shown, '.' as
// many locales write times, and ',' for the keypad's decimal key where the
// decimal separator is a comma. They come as characters, not keys: ':' is a
// shifted key on most layouts, and a different one on each.
bool IsTimeSeparator(const wxKeyEvent& event)
{
    const wxChar character = event.GetUnicodeKey();
    return character == ':' || character == '.' || character == ',';
}

}  // namespace

MinuteSecondPicker::MinuteSecondPicker(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : wxControl(parent, id, pos, size, wxBORDER_NONE | wxWANTS_CHARS)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    Bind(wxEVT_PAINT, &MinuteSecondPicker::OnPaint, this);
    Bind(wxEVT_ERASE_BACKGROUND, &MinuteSecondPicker::OnEraseBackground, this);
    Bind(wxEVT_KEY_DOWN, &MinuteSecondPicker::OnKeyDown, this);
    Bind(wxEVT_CHAR, &MinuteSecondPicker::OnChar, this);
    Bind(wxEVT_LEFT_DOWN, &MinuteSecondPicker::OnLeftDown, this);
    Bind(wxEVT_LEFT_DCLICK, &MinuteSecondPicker::OnLeftDown, this);
    Bind(wxEVT_LEFT_UP, &MinuteSecondPicker::OnLeftUp, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &MinuteSecondPicker::OnCaptureLost, this);
    Bind(wxEVT_SET_FOCUS, &MinuteSecondPicker::OnFocusChange, this);
    Bind(wxEVT_KILL_FOCUS, &MinuteSecondPicker::OnFocusChange, this);
    m_repeatTimer.Bind(wxEVT_TIMER, &MinuteSecondPicker::OnRepeatTimer, this);
    FitFontToWidth();
}

void MinuteSecondPicker::FitFontToWidth()
{
    const auto widthAt = [this](const wxFont& font) {
        int textWidth = 0;
        GetTextExtent("00:00", &textWidth, nullptr, nullptr, nullptr, &font);
        return textWidth + 2 * kTextPadding + kArrowWidth + 2;
    };
    const wxFont font = FontToFit(GetFont(), GetSize().x, widthAt);
    SetFontExactly(*this, font);
}

void MinuteSecondPicker::SetLength(MinutesSeconds length)
{
    m_fields.SetLength(length);
    Refresh(false);
}

wxString MinuteSecondPicker::GetDisplayText() const
{
    return FormatMinutesSeconds(m_fields.GetLength());
}

wxRect MinuteSecondPicker::TextArea() const
{
    const wxSize size = GetClientSize();
    return wxRect(1, 1, std::max(size.x - kArrowWidth - 2, 0), std::max(size.y - 2, 0));
}

int MinuteSecondPicker::TextLeft() const
{
    return TextArea().GetLeft() + kTextPadding;
}

wxRect MinuteSecondPicker::GetFieldRect(MinuteSecondFields::Field field) const
{
    const wxRect area = TextArea();
    const int twoDigits = GetTextExtent("00").x;
    const int colon = GetTextExtent(":").x;
    const int left = field == MinuteSecondFields::Field::Minutes ? TextLeft() : TextLeft() + twoDigits + colon;
    return wxRect(left, area.GetTop() + 1, twoDigits, std::max(area.GetHeight() - 2, 0));
}

wxRect MinuteSecondPicker::GetUpArrowRect() const
{
    const wxSize size = GetClientSize();
    return wxRect(size.x - kArrowWidth, 0, kArrowWidth, size.y / 2);
}

wxRect MinuteSecondPicker::GetDownArrowRect() const
{
    const wxSize size = GetClientSize();
    return wxRect(size.x - kArrowWidth, size.y / 2, kArrowWidth, size.y - size.y / 2);
}

wxSize MinuteSecondPicker::DoGetBestSize() const
{
    const wxSize text = GetTextExtent("00:00");
    return wxSize(text.x + 2 * kTextPadding + kArrowWidth + 2, text.y + 6);
}

void MinuteSecondPicker::OnPaint(wxPaintEvent&)
{
    wxAutoBufferedPaintDC dc(this);
    const wxSize size = GetClientSize();
    // A white edit field with a thin grey frame.
    dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW)));
    dc.SetBrush(*wxWHITE_BRUSH);
    dc.DrawRectangle(0, 0, size.x, size.y);

    dc.SetFont(GetFont());
    dc.SetTextForeground(*wxBLACK);
    if (HasFocus()) {
        const wxRect field = GetFieldRect(m_fields.GetActiveField());
        dc.SetPen(*wxTRANSPARENT_PEN);
        dc.SetBrush(wxBrush(wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHT)));
        dc.DrawRectangle(field);
    }
    const wxString minutes = wxString::Format("%02d", m_fields.GetLength().m_nMinutes);
    const wxString seconds = wxString::Format("%02d", m_fields.GetLength().m_nSeconds);
    const int top = TextArea().GetTop() + (TextArea().GetHeight() - GetTextExtent("00").y) / 2;
    const auto fieldColour = [this](MinuteSecondFields::Field field) {
        return HasFocus() && m_fields.GetActiveField() == field
                   ? wxSystemSettings::GetColour(wxSYS_COLOUR_HIGHLIGHTTEXT)
                   : *wxBLACK;
    };
    dc.SetTextForeground(fieldColour(MinuteSecondFields::Field::Minutes));
    dc.DrawText(minutes, GetFieldRect(MinuteSecondFields::Field::Minutes).GetLeft(), top);
    dc.SetTextForeground(*wxBLACK);
    dc.DrawText(":", TextLeft() + GetTextExtent("00").x, top);
    dc.SetTextForeground(fieldColour(MinuteSecondFields::Field::Seconds));
    dc.DrawText(seconds, GetFieldRect(MinuteSecondFields::Field::Seconds).GetLeft(), top);

    PaintArrow(dc, GetUpArrowRect(), true, m_nPressedArrow > 0);
    PaintArrow(dc, GetDownArrowRect(), false, m_nPressedArrow < 0);
}

void MinuteSecondPicker::PaintArrow(wxDC& dc, const wxRect& rect, bool up, bool pressed) const
{
    const wxColour face = wxSystemSettings::GetColour(wxSYS_COLOUR_BTNFACE);
    dc.SetPen(wxPen(wxSystemSettings::GetColour(wxSYS_COLOUR_BTNSHADOW)));
    dc.SetBrush(wxBrush(pressed ? face.ChangeLightness(80) : face));
    dc.DrawRectangle(rect);
    // A small solid triangle in the middle of the button.
    const int midX = rect.GetLeft() + rect.GetWidth() / 2;
    const int midY = rect.GetTop() + rect.GetHeight() / 2;
    const int half = std::max(std::min(rect.GetWidth(), rect.GetHeight()) / 4, 1);
    const int tip = up ? midY - half / 2 - 1 : midY + half / 2 + 1;
    const int base = up ? tip + half : tip - half;
    const wxPoint triangle[] = {{midX - half, base}, {midX + half, base}, {midX, tip}};
    dc.SetPen(*wxBLACK_PEN);
    dc.SetBrush(*wxBLACK_BRUSH);
    dc.DrawPolygon(3, triangle);
}

void MinuteSecondPicker::OnEraseBackground(wxEraseEvent&)
{
    // The paint handler covers every pixel.
}

void MinuteSecondPicker::OnKeyDown(wxKeyEvent& event)
{
    const int key = event.GetKeyCode();
    switch (key) {
    case WXK_UP:
    case WXK_NUMPAD_UP:
        StepByUser(+1);
        return;
    case WXK_DOWN:
    case WXK_NUMPAD_DOWN:
        StepByUser(-1);
        return;
    case WXK_LEFT:
    case WXK_NUMPAD_LEFT:
        m_fields.SelectPreviousField();
        Refresh(false);
        return;
    case WXK_RIGHT:
    case WXK_NUMPAD_RIGHT:
        m_fields.SelectNextField();
        Refresh(false);
        return;
    case WXK_TAB:
        Navigate(event.ShiftDown() ? wxNavigationKeyEvent::IsBackward : wxNavigationKeyEvent::IsForward);
        return;
    default:
        break;
    }
    const int digit = DigitOf(key);
    if (digit >= 0 && !event.HasAnyModifiers()) {
        ChangedByUser(m_fields.TypeDigit(digit));
        return;
    }
    event.Skip();
}

void MinuteSecondPicker::OnChar(wxKeyEvent& event)
{
    // Shift is how ':' is typed; Ctrl or Alt make it something else.
    if (IsTimeSeparator(event) && !event.HasModifiers()) {
        // The length stays as it is, so no change is reported.
        m_fields.TypeSeparator();
        Refresh(false);
        return;
    }
    event.Skip();
}

void MinuteSecondPicker::OnLeftDown(wxMouseEvent& event)
{
    SetFocus();
    const wxPoint point = event.GetPosition();
    if (GetUpArrowRect().Contains(point) || GetDownArrowRect().Contains(point)) {
        m_nPressedArrow = GetUpArrowRect().Contains(point) ? +1 : -1;
        if (!HasCapture())
            CaptureMouse();
        StepByUser(m_nPressedArrow);
        m_repeatTimer.StartOnce(kFirstRepeatMilliseconds);
        return;
    }
    // A click on the text picks the field nearer to it.
    const wxRect seconds = GetFieldRect(MinuteSecondFields::Field::Seconds);
    m_fields.SelectField(point.x >= seconds.GetLeft() - GetTextExtent(":").x / 2 ? MinuteSecondFields::Field::Seconds
                                                                                : MinuteSecondFields::Field::Minutes);
    Refresh(false);
}

void MinuteSecondPicker::OnLeftUp(wxMouseEvent&)
{
    EndArrowPress();
}

void MinuteSecondPicker::OnCaptureLost(wxMouseCaptureLostEvent&)
{
    m_repeatTimer.Stop();
    m_nPressedArrow = 0;
    Refresh(false);
}

void MinuteSecondPicker::OnFocusChange(wxFocusEvent& event)
{
    // The active field is highlighted only while the control has the focus.
    Refresh(false);
    event.Skip();
}

void MinuteSecondPicker::OnRepeatTimer(wxTimerEvent&)
{
    if (m_nPressedArrow == 0)
        return;
    StepByUser(m_nPressedArrow);
    m_repeatTimer.StartOnce(kNextRepeatMilliseconds);
}

void MinuteSecondPicker::EndArrowPress()
{
    m_repeatTimer.Stop();
    m_nPressedArrow = 0;
    if (HasCapture())
        ReleaseMouse();
    Refresh(false);
}

void MinuteSecondPicker::StepByUser(int delta)
{
    ChangedByUser(m_fields.Step(delta));
}

void MinuteSecondPicker::ChangedByUser(bool changed)
{
    Refresh(false);
    if (!changed)
        return;
    wxCommandEvent notification(EVT_LENGTH_PICKER_CHANGED, GetId());
    notification.SetEventObject(this);
    ProcessWindowEvent(notification);
}
