#include "ui/controls/trackbar_keys.h"

#include <wx/defs.h>

#include <algorithm>

std::optional<TrackbarKeyStep> TrackbarKeyStepOf(int keyCode)
{
    using Kind = TrackbarKeyStep::Kind;
    switch (keyCode) {
    case WXK_LEFT:
    case WXK_UP:
    case WXK_NUMPAD_LEFT:
    case WXK_NUMPAD_UP:
        return TrackbarKeyStep{Kind::LineUp};
    case WXK_RIGHT:
    case WXK_DOWN:
    case WXK_NUMPAD_RIGHT:
    case WXK_NUMPAD_DOWN:
        return TrackbarKeyStep{Kind::LineDown};
    case WXK_PAGEUP:
    case WXK_NUMPAD_PAGEUP:
        return TrackbarKeyStep{Kind::PageUp};
    case WXK_PAGEDOWN:
    case WXK_NUMPAD_PAGEDOWN:
        return TrackbarKeyStep{Kind::PageDown};
    case WXK_HOME:
    case WXK_NUMPAD_HOME:
        return TrackbarKeyStep{Kind::Top};
    case WXK_END:
    case WXK_NUMPAD_END:
        return TrackbarKeyStep{Kind::Bottom};
    default:
        return std::nullopt;
    }
}

int ApplyTrackbarKeyStep(TrackbarKeyStep step, int pos, int minPos, int maxPos, int lineSize, int pageSize)
{
    using Kind = TrackbarKeyStep::Kind;
    long long target = pos;
    switch (step.kind) {
    case Kind::LineUp: target -= lineSize; break;
    case Kind::LineDown: target += lineSize; break;
    case Kind::PageUp: target -= pageSize; break;
    case Kind::PageDown: target += pageSize; break;
    case Kind::Top: target = minPos; break;
    case Kind::Bottom: target = maxPos; break;
    }
    return static_cast<int>(std::clamp<long long>(target, minPos, std::max(minPos, maxPos)));
}

wxEventType TrackbarKeyNotification(TrackbarKeyStep step)
{
    using Kind = TrackbarKeyStep::Kind;
    switch (step.kind) {
    case Kind::LineUp: return wxEVT_SCROLL_LINEUP;
    case Kind::LineDown: return wxEVT_SCROLL_LINEDOWN;
    case Kind::PageUp: return wxEVT_SCROLL_PAGEUP;
    case Kind::PageDown: return wxEVT_SCROLL_PAGEDOWN;
    case Kind::Top: return wxEVT_SCROLL_TOP;
    case Kind::Bottom: return wxEVT_SCROLL_BOTTOM;
    }
    return wxEVT_NULL;
}
