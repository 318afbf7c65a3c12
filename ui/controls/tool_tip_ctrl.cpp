#include "ui/controls/tool_tip_ctrl.h"

#include <wx/event.h>
#include <wx/tooltip.h>

bool ToolTipCtrl::Create(wxWindow* owner)
{
    if (m_pOwner || !owner)
        return false;
    m_pOwner = owner;
    m_bActive = false;
    m_tools.clear();
    ShowOnOwner();
    return true;
}

void ToolTipCtrl::DestroyWindow()
{
    if (!m_pOwner)
        return;
    m_bActive = false;
    m_tools.clear();
    ShowOnOwner();
    m_pOwner = nullptr;
}

void ToolTipCtrl::Activate(bool active)
{
    if (!m_pOwner)
        return;
    m_bActive = active;
    ShowOnOwner();
}

bool ToolTipCtrl::AddTool(int toolId, const wxRect& rect, const wxString& text)
{
    if (!m_pOwner || FindTool(toolId))
        return false;
    m_tools.push_back({toolId, rect, text});
    ShowOnOwner();
    return true;
}

void ToolTipCtrl::UpdateTipText(int toolId, const wxString& text)
{
    for (Tool& tool : m_tools) {
        if (tool.id == toolId)
            tool.text = text;
    }
    ShowOnOwner();
}

bool ToolTipCtrl::GetToolInfo(int toolId, wxRect& rect, wxString& text) const
{
    const Tool* tool = FindTool(toolId);
    if (!tool)
        return false;
    rect = tool->rect;
    text = tool->text;
    return true;
}

void ToolTipCtrl::RelayEvent(const wxMouseEvent& event)
{
    if (!m_pOwner)
        return;
    const wxEventType type = event.GetEventType();
    if (type == wxEVT_MOTION || type == wxEVT_ENTER_WINDOW) {
        m_ptPointer = event.GetPosition();
        ShowOnOwner();
    }
}

const ToolTipCtrl::Tool* ToolTipCtrl::FindTool(int toolId) const
{
    for (const Tool& tool : m_tools) {
        if (tool.id == toolId)
            return &tool;
    }
    return nullptr;
}

const ToolTipCtrl::Tool* ToolTipCtrl::ToolUnderPointer() const
{
    // Before the pointer has been seen, the first tool stands ready: the owner
    // only shows a tip while the pointer is over it anyway.
    if (m_ptPointer == wxDefaultPosition)
        return m_tools.empty() ? nullptr : &m_tools.front();
    for (const Tool& tool : m_tools) {
        if (tool.rect.Contains(m_ptPointer))
            return &tool;
    }
    return nullptr;
}

void ToolTipCtrl::ShowOnOwner()
{
    if (!m_pOwner)
        return;
    const Tool* tool = m_bActive ? ToolUnderPointer() : nullptr;
    const wxString text = tool ? tool->text : wxString();
    if (text == m_pOwner->GetToolTipText())
        return;  // resetting the same tip would restart its delay on every move
    if (text.empty())
        m_pOwner->UnsetToolTip();
    else
        m_pOwner->SetToolTip(text);
}
