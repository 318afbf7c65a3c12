#include "tests/ui/support/scroll_recorder.h"

#include <utility>

ScrollRecorder::ScrollRecorder(wxWindow& parent)
{
    const std::pair<wxEventTypeTag<wxScrollEvent>, const char*> kinds[] = {
        {wxEVT_SCROLL_TOP, "TOP"},
        {wxEVT_SCROLL_BOTTOM, "BOTTOM"},
        {wxEVT_SCROLL_LINEUP, "LINEUP"},
        {wxEVT_SCROLL_LINEDOWN, "LINEDOWN"},
        {wxEVT_SCROLL_PAGEUP, "PAGEUP"},
        {wxEVT_SCROLL_PAGEDOWN, "PAGEDOWN"},
        {wxEVT_SCROLL_THUMBTRACK, "THUMBTRACK"},
        {wxEVT_SCROLL_THUMBRELEASE, "THUMBRELEASE"},
        {wxEVT_SCROLL_CHANGED, "CHANGED"},
    };
    for (const auto& [type, name] : kinds) {
        const std::string kind = name;
        parent.Bind(type, [this, kind](wxScrollEvent& event) {
            m_log.push_back(kind + " " + std::to_string(event.GetPosition()));
        });
    }
    parent.Bind(wxEVT_SLIDER, [this](wxCommandEvent& event) {
        m_log.push_back("SLIDER " + std::to_string(event.GetInt()));
    });
}

std::vector<std::string> ScrollRecorder::Take()
{
    return std::exchange(m_log, {});
}
