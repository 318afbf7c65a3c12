// A tooltip with the rules of the platform's tooltip control, shown through
// the owner window's wxToolTip.
#pragma once

#include <wx/gdicmn.h>
#include <wx/string.h>
#include <wx/window.h>

#include <vector>

// Keeps what the Win32 tooltip control keeps (whether its window exists,
// whether it is active, a list of tools, each with an id, a rectangle in the
// owner's client coordinates and a text) and shows the text of the tool under
// the pointer as the owner's tooltip while it is active. A new tooltip is
// inactive. The state is observable, so the rules can be tested.
class ToolTipCtrl {
public:
    ToolTipCtrl() = default;
    ToolTipCtrl(const ToolTipCtrl&) = delete;
    ToolTipCtrl& operator=(const ToolTipCtrl&) = delete;

    // Creates the tooltip for owner (inactive, no tools). False if it exists.
    bool Create(wxWindow* owner);
    // Removes the tooltip and its tools; the owner shows no tip afterwards.
    void DestroyWindow();
    bool IsCreated() const { return m_pOwner != nullptr; }

    void Activate(bool active);
    bool IsActive() const { return m_bActive; }

    int GetToolCount() const { return static_cast<int>(m_tools.size()); }
    // Registers a tool; false if the tooltip does not exist or the id is taken.
    bool AddTool(int toolId, const wxRect& rect, const wxString& text);
    // Replaces the text of a registered tool; an unknown id changes nothing.
    void UpdateTipText(int toolId, const wxString& text);
    // The rectangle and text of a registered tool; false for an unknown id.
    bool GetToolInfo(int toolId, wxRect& rect, wxString& text) const;

    // Lets the tooltip follow the pointer: called with each mouse event of the
    // owner, before the owner handles it.
    void RelayEvent(const wxMouseEvent& event);

private:
    struct Tool {
        int id;
        wxRect rect;
        wxString text;
    };

    const Tool* FindTool(int toolId) const;
    const Tool* ToolUnderPointer() const;
    void ShowOnOwner();

    wxWindow* m_pOwner = nullptr;
    bool m_bActive = false;
    std::vector<Tool> m_tools;
    // Last pointer position relayed, in the owner's client coordinates.
    wxPoint m_ptPointer = wxDefaultPosition;
};
