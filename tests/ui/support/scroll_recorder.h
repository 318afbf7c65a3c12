// Records the scroll and slider notifications that reach a parent window.
#pragma once

#include <wx/event.h>
#include <wx/window.h>

#include <string>
#include <vector>

// Each notification as "KIND position", e.g. "LINEDOWN 51" or "SLIDER 51".
class ScrollRecorder {
public:
    explicit ScrollRecorder(wxWindow& parent);
    ScrollRecorder(const ScrollRecorder&) = delete;
    ScrollRecorder& operator=(const ScrollRecorder&) = delete;

    const std::vector<std::string>& Log() const { return m_log; }
    // The log so far, emptied.
    std::vector<std::string> Take();

private:
    std::vector<std::string> m_log;
};
