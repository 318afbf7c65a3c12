// What each trackbar key does to the position.
#pragma once

#include <wx/event.h>

#include <optional>

// A key's step: where it takes the position and the notification it sends.
struct TrackbarKeyStep {
    enum class Kind { LineUp, LineDown, PageUp, PageDown, Top, Bottom };
    Kind kind;
};

// The step of keyCode, or none for a key the trackbar does not use. Left and
// Up decrease the position by a line, Right and Down increase it; Page Up and
// Page Down move a page; Home and End go to the ends.
std::optional<TrackbarKeyStep> TrackbarKeyStepOf(int keyCode);

// The new position after step from pos.
int ApplyTrackbarKeyStep(TrackbarKeyStep step, int pos, int minPos, int maxPos, int lineSize, int pageSize);

// The scroll notification of step.
wxEventType TrackbarKeyNotification(TrackbarKeyStep step);
