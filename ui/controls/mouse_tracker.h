// Hover and leave notices for one window, in place of the platform's mouse
// tracking service.
#pragma once

#include <wx/timer.h>

#include <functional>

// GTK tells a window when the pointer enters and leaves it, but never that the
// pointer has come to rest inside. A request arms two one-shot notices: hover,
// sent once the pointer has stayed inside for the hover time, and leave, sent
// when it goes out. The window feeds in its enter, motion and leave events;
// the inside/outside state comes from those events only, so synthetic events
// behave like real ones.
class MouseTracker {
public:
    MouseTracker(std::function<void()> onHover, std::function<void()> onLeave);
    MouseTracker(const MouseTracker&) = delete;
    MouseTracker& operator=(const MouseTracker&) = delete;

    // Arms the hover and leave notices. Fails (false) while the pointer is not
    // inside, as there is nothing to track then.
    bool Request(int hoverMilliseconds);

    void PointerEntered();
    // overWindow: the motion's position lies inside the window's client area
    // (a window holding the mouse capture also sees motion outside itself).
    void PointerMoved(bool overWindow);
    void PointerLeft();

private:
    void OnHoverTime();

    std::function<void()> m_onHover;
    std::function<void()> m_onLeave;
    wxTimer m_hoverTimer;
    bool m_bInside = false;
    bool m_bHoverArmed = false;
    bool m_bLeaveArmed = false;
};
