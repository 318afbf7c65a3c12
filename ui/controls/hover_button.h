// CHoverButton: a push button painted from a three-frame picture strip that
// lights up while the pointer rests over it, with its own tooltip.
#pragma once

#include "ui/controls/mouse_tracker.h"
#include "ui/controls/strip_frames.h"
#include "ui/controls/tool_tip_ctrl.h"

#include <wx/bitmap.h>
#include <wx/bmpbndl.h>
#include <wx/control.h>

// Shows frame 0 of its strip normally, frame 1 while pressed and frame 2 while
// the pointer rests over it. A click (press and release over the button) sends
// wxEVT_BUTTON with the button's id to the parent. Its frames are opaque, so it
// paints without erasing.
//
// For the keyboard it is a push button in the tab order: Space presses it
// (pressed frame while held, click on release), Enter clicks it, and while it
// has the focus a dotted focus mark is drawn inside its face (see
// focus_mark.h). A mouse click does not take the focus.
class CHoverButton : public wxControl {
public:
    CHoverButton();
    CHoverButton(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                 const wxSize& size = wxDefaultSize);
    ~CHoverButton() override;

    bool Create(wxWindow* parent, wxWindowID id, const wxPoint& pos = wxDefaultPosition,
                const wxSize& size = wxDefaultSize);

    // Takes the strip of picture resource bitmapId and sizes the button to one
    // frame, keeping its place; clears the hover look. Always true.
    bool LoadFrameStrip(int bitmapId);
    // The same with a strip given directly (an invalid one leaves no strip and
    // the size unchanged), or with the strip at several sizes for screens with
    // more pixels to the point.
    bool LoadFrameStrip(const wxBitmap& strip);
    bool LoadFrameStrip(const wxBitmapBundle& strip);

    // Gives the tooltip its text and switches it on (activate) or off. A null
    // text does nothing at all. The first call registers the one tool with the
    // button's client rectangle at that moment; later calls only replace its text.
    void SetTipText(const char* text, bool activate);
    // Creates the tooltip, inactive, if it does not exist yet.
    void EnsureTipWindow();

    bool AcceptsFocus() const override { return true; }
    bool AcceptsFocusFromKeyboard() const override { return true; }

    // Sends the click, as a press and release would (for keyboard shortcuts).
    void Click();

    // State, for the window that owns the button and for tests.
    bool IsMouseOver() const { return m_bMouseOver; }
    bool IsTrackArmed() const { return m_bTrackArmed; }
    bool IsPushed() const { return m_bPushed; }
    int GetFrameWidth() const { return m_nFrameWidth; }
    int GetFrameHeight() const { return m_nFrameHeight; }
    StripFrame GetShownFrame() const { return ChooseStripFrame(m_bPushed, m_bMouseOver); }
    const ToolTipCtrl& GetTipCtrl() const { return m_tipCtrl; }

    // The tooltip's tool id: the button registers exactly one tool.
    static constexpr int kTipToolId = 1;
    // How long the pointer must rest inside before the hover frame shows.
    static constexpr int kHoverMilliseconds = 1;
    // The focus mark stands this far inside the button's edges.
    static constexpr int kFocusMarkInset = 3;

protected:
    wxSize DoGetBestSize() const override;

private:
    void OnPaint(wxPaintEvent& event);
    void OnEraseBackground(wxEraseEvent& event);
    void OnMouse(wxMouseEvent& event);
    void OnCaptureLost(wxMouseCaptureLostEvent& event);
    void OnKeyDown(wxKeyEvent& event);
    void OnKeyUp(wxKeyEvent& event);
    void OnFocusChange(wxFocusEvent& event);

    void PreTranslateMouse(const wxMouseEvent& event);
    void OnPointerMove(const wxMouseEvent& event);
    void OnLeftDown();
    void OnLeftUp(const wxMouseEvent& event);
    void OnHover();
    void OnLeave();
    void SetPushed(bool pushed);

    bool m_bMouseOver = false;
    int m_nFrameWidth = 0;
    int m_nFrameHeight = 0;
    wxBitmapBundle m_bmpStrip;
    bool m_bTrackArmed = false;
    ToolTipCtrl m_tipCtrl;

    MouseTracker m_tracker;
    bool m_bButtonDown = false;  // pressed here, mouse captured until release
    bool m_bSpaceDown = false;   // pressed with Space, clicked on its release
    bool m_bPushed = false;      // button down with the pointer over the button

    wxDECLARE_CLASS(CHoverButton);
};
