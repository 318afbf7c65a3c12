#include "ui/controls/mouse_tracker.h"

#include <utility>

MouseTracker::MouseTracker(std::function<void()> onHover, std::function<void()> onLeave)
    : m_onHover(std::move(onHover)), m_onLeave(std::move(onLeave))
{
    m_hoverTimer.Bind(wxEVT_TIMER, [this](wxTimerEvent&) { OnHoverTime(); });
}

bool MouseTracker::Request(int hoverMilliseconds)
{
    if (!m_bInside)
        return false;
    m_bHoverArmed = true;
    m_bLeaveArmed = true;
    m_hoverTimer.StartOnce(hoverMilliseconds);
    return true;
}

void MouseTracker::PointerEntered()
{
    m_bInside = true;
}

void MouseTracker::PointerMoved(bool overWindow)
{
    // Covers a window that appeared under a resting pointer: no enter event
    // came, but the first motion shows the pointer is inside.
    if (overWindow)
        m_bInside = true;
}

void MouseTracker::PointerLeft()
{
    m_bInside = false;
    m_bHoverArmed = false;
    m_hoverTimer.Stop();
    if (m_bLeaveArmed) {
        m_bLeaveArmed = false;
        m_onLeave();
    }
}

void MouseTracker::OnHoverTime()
{
    if (!m_bHoverArmed || !m_bInside)
        return;
    m_bHoverArmed = false;
    m_onHover();
}
