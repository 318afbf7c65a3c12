#include "ui/controls/hover_button.h"

#include "ui/controls/focus_mark.h"
#include "ui/controls/picture_resources.h"

#include <wx/dcclient.h>
#include <wx/dcmemory.h>

wxIMPLEMENT_CLASS(CHoverButton, wxControl);

CHoverButton::CHoverButton()
    : m_tracker([this] { OnHover(); }, [this] { OnLeave(); })
{
    Bind(wxEVT_PAINT, &CHoverButton::OnPaint, this);
    Bind(wxEVT_ERASE_BACKGROUND, &CHoverButton::OnEraseBackground, this);
    for (const auto& type : {wxEVT_ENTER_WINDOW, wxEVT_MOTION, wxEVT_LEAVE_WINDOW, wxEVT_LEFT_DOWN, wxEVT_LEFT_DCLICK,
                             wxEVT_LEFT_UP})
        Bind(type, &CHoverButton::OnMouse, this);
    Bind(wxEVT_MOUSE_CAPTURE_LOST, &CHoverButton::OnCaptureLost, this);
    Bind(wxEVT_KEY_DOWN, &CHoverButton::OnKeyDown, this);
    Bind(wxEVT_KEY_UP, &CHoverButton::OnKeyUp, this);
    Bind(wxEVT_SET_FOCUS, &CHoverButton::OnFocusChange, this);
    Bind(wxEVT_KILL_FOCUS, &CHoverButton::OnFocusChange, this);
}

CHoverButton::CHoverButton(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
    : CHoverButton()
{
    Create(parent, id, pos, size);
}

CHoverButton::~CHoverButton()
{
    // The tooltip goes before the strip and the window.
    m_tipCtrl.DestroyWindow();
}

bool CHoverButton::Create(wxWindow* parent, wxWindowID id, const wxPoint& pos, const wxSize& size)
{
    SetBackgroundStyle(wxBG_STYLE_PAINT);
    return wxControl::Create(parent, id, pos, size, wxBORDER_NONE, wxDefaultValidator, "CHoverButton");
}

bool CHoverButton::LoadFrameStrip(int bitmapId)
{
    return LoadFrameStrip(LoadBitmapBundleResource(bitmapId));
}

bool CHoverButton::LoadFrameStrip(const wxBitmap& strip)
{
    return LoadFrameStrip(strip.IsOk() ? wxBitmapBundle(strip) : wxBitmapBundle());
}

bool CHoverButton::LoadFrameStrip(const wxBitmapBundle& strip)
{
    // Only the hover look is dropped: tracking stays armed, so the hover frame
    // returns only after the pointer has left and come to rest again.
    m_bMouseOver = false;
    m_bmpStrip = strip;
    if (m_bmpStrip.IsOk()) {
        const wxSize size = m_bmpStrip.GetDefaultSize();
        m_nFrameHeight = size.y;
        m_nFrameWidth = FrameWidthOfStrip(size.x);
        SetSize(wxSize(m_nFrameWidth, m_nFrameHeight));
        InvalidateBestSize();
    } else {
        m_nFrameWidth = 0;
        m_nFrameHeight = 0;
    }
    Raise();
    Refresh(false);
    return true;
}

void CHoverButton::SetTipText(const char* text, bool activate)
{
    if (!text)
        return;
    const wxString tip = wxString::FromUTF8(text);
    EnsureTipWindow();
    if (m_tipCtrl.GetToolCount() == 0)
        m_tipCtrl.AddTool(kTipToolId, GetClientRect(), tip);
    m_tipCtrl.UpdateTipText(kTipToolId, tip);
    m_tipCtrl.Activate(activate);
}

void CHoverButton::EnsureTipWindow()
{
    if (!m_tipCtrl.IsCreated())
        m_tipCtrl.Create(this);
}

wxSize CHoverButton::DoGetBestSize() const
{
    return m_bmpStrip.IsOk() ? wxSize(m_nFrameWidth, m_nFrameHeight) : wxControl::DoGetBestSize();
}

void CHoverButton::OnPaint(wxPaintEvent&)
{
    wxPaintDC dc(this);
    if (!m_bmpStrip.IsOk())
        return;
    // The strip for this screen: its columns and rows count in points, so the
    // same frame is cut out at either size.
    wxMemoryDC strip;
    strip.SelectObjectAsSource(m_bmpStrip.GetBitmapFor(this));
    const int column = FrameSourceColumn(GetShownFrame(), m_nFrameWidth);
    dc.Blit(0, 0, m_nFrameWidth, m_nFrameHeight, &strip, column, 0, wxCOPY);
    strip.SelectObject(wxNullBitmap);
    if (ShowsFocusMark(*this))
        DrawFocusMark(dc, wxRect(GetClientSize()).Deflate(kFocusMarkInset), ButtonFocusColour());
}

void CHoverButton::OnEraseBackground(wxEraseEvent&)
{
    // Every frame is opaque and covers the whole button.
}

void CHoverButton::OnMouse(wxMouseEvent& event)
{
    PreTranslateMouse(event);
    const wxEventType type = event.GetEventType();
    if (type == wxEVT_ENTER_WINDOW || type == wxEVT_MOTION)
        OnPointerMove(event);
    else if (type == wxEVT_LEAVE_WINDOW)
        m_tracker.PointerLeft();
    else if (type == wxEVT_LEFT_DOWN || type == wxEVT_LEFT_DCLICK) {
        OnLeftDown();  // GTK turns a quick second press into a double click
        // Taken here, so the toolkit does not give the button the focus: a
        // click leaves the focus where it was.
        return;
    } else if (type == wxEVT_LEFT_UP) {
        OnLeftUp(event);
    }
    event.Skip();
}

void CHoverButton::PreTranslateMouse(const wxMouseEvent& event)
{
    // The tooltip sees every mouse event before the button acts on it.
    EnsureTipWindow();
    m_tipCtrl.RelayEvent(event);
}

void CHoverButton::OnPointerMove(const wxMouseEvent& event)
{
    const bool over = GetClientRect().Contains(event.GetPosition());
    if (event.GetEventType() == wxEVT_ENTER_WINDOW)
        m_tracker.PointerEntered();
    else
        m_tracker.PointerMoved(over);
    if (!m_bTrackArmed)
        m_bTrackArmed = m_tracker.Request(kHoverMilliseconds);
    if (m_bButtonDown)
        SetPushed(over);
}

void CHoverButton::OnLeftDown()
{
    m_bButtonDown = true;
    if (!HasCapture())
        CaptureMouse();
    SetPushed(true);
}

void CHoverButton::OnLeftUp(const wxMouseEvent& event)
{
    if (!m_bButtonDown)
        return;
    m_bButtonDown = false;
    if (HasCapture())
        ReleaseMouse();
    SetPushed(false);
    if (GetClientRect().Contains(event.GetPosition()))
        Click();
}

void CHoverButton::OnCaptureLost(wxMouseCaptureLostEvent&)
{
    m_bButtonDown = false;
    SetPushed(false);
}

void CHoverButton::OnKeyDown(wxKeyEvent& event)
{
    if (event.HasAnyModifiers()) {
        event.Skip();
        return;
    }
    switch (event.GetKeyCode()) {
    case WXK_SPACE:
        // Held down, the key repeats; only the first press counts.
        if (!m_bSpaceDown) {
            m_bSpaceDown = true;
            SetPushed(true);
        }
        break;
    case WXK_RETURN:
    case WXK_NUMPAD_ENTER:
        Click();
        break;
    default:
        event.Skip();
    }
}

void CHoverButton::OnKeyUp(wxKeyEvent& event)
{
    if (event.GetKeyCode() != WXK_SPACE || !m_bSpaceDown) {
        event.Skip();
        return;
    }
    m_bSpaceDown = false;
    SetPushed(m_bButtonDown);
    Click();
}

void CHoverButton::OnFocusChange(wxFocusEvent& event)
{
    // A press with Space ends without a click when the focus goes elsewhere.
    if (event.GetEventType() == wxEVT_KILL_FOCUS && m_bSpaceDown) {
        m_bSpaceDown = false;
        SetPushed(m_bButtonDown);
    }
    Refresh(false);
    event.Skip();
}

void CHoverButton::OnHover()
{
    m_bMouseOver = true;
    Refresh(false);
}

void CHoverButton::OnLeave()
{
    m_bTrackArmed = false;
    m_bMouseOver = false;
    Refresh(false);
}

void CHoverButton::SetPushed(bool pushed)
{
    if (pushed == m_bPushed)
        return;
    m_bPushed = pushed;
    Refresh(false);
}

void CHoverButton::Click()
{
    wxCommandEvent click(wxEVT_BUTTON, GetId());
    click.SetEventObject(this);
    ProcessWindowEvent(click);
}
