#include "command_buttons.h"

#include "control_ids.h"
#include "hover_button.h"
#include "resource_ids.h"
#include "string_table.h"

const std::array<CommandButton, 8> kCommandButtons = {{
    {IDC_GENERATE, IDB_START, IDS_TIP_GENERATE, 15, 352},
    {IDC_PLAY, IDB_PLAY, IDS_TIP_PLAY, 93, 352},
    {IDC_RESTORE, IDB_RESTORE, IDS_TIP_RESTORE, 133, 352},
    {IDC_USER_GUIDE, IDB_GUIDE, IDS_TIP_USER_GUIDE, 429, 352},
    {IDC_ABOUT, IDB_ABOUT, IDS_TIP_ABOUT, 506, 352},
    {IDC_WEB_SITE, IDB_WEB_SITE, IDS_TIP_WEB_SITE, 545, 352},
    {IDC_INPUT_FILE, IDB_FOLDER, IDS_TIP_INPUT_FILE, 232, 39},
    {IDC_OUTPUT_FILE, IDB_FOLDER, IDS_TIP_OUTPUT_FILE, 522, 39},
}};

std::array<CHoverButton*, 8> CreateCommandButtons(wxWindow* parent)
{
    std::array<CHoverButton*, 8> buttons{};
    for (std::size_t i = 0; i < kCommandButtons.size(); ++i) {
        const CommandButton& command = kCommandButtons[i];
        auto* button = new CHoverButton(parent, command.m_nId);
        // The strip sizes the button to one frame; the tooltip takes that size as its tool.
        button->LoadFrameStrip(command.m_nStripId);
        button->SetTipText(LoadResourceString(command.m_nTipId), true);
        button->Move(command.m_nLeft, command.m_nTop);
        button->Refresh();
        buttons[i] = button;
    }
    return buttons;
}
