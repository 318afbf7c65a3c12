// The eight command buttons of the main window: picture strip, tooltip and
// place in client pixels, in creation order.
#pragma once

#include "ui/dialog_template/main_window_ids.h"
#include "resources/strings/resource_ids.h"

#include <array>

struct CommandButtonPlace {
    int m_nId;
    int m_nStripId;  // picture strip of three frames side by side
    int m_nTipId;    // string-table entry of the tooltip
    int m_nLeft;
    int m_nTop;
    int m_nWidth;
    int m_nHeight;
};

constexpr std::array<CommandButtonPlace, 8> kCommandButtonPlaces = {{
    {IDC_GENERATE, IDB_START, IDS_TIP_GENERATE, 15, 352, 72, 32},
    {IDC_PLAY, IDB_PLAY, IDS_TIP_PLAY, 93, 352, 33, 32},
    {IDC_RESTORE, IDB_RESTORE, IDS_TIP_RESTORE, 133, 352, 33, 32},
    {IDC_USER_GUIDE, IDB_GUIDE, IDS_TIP_USER_GUIDE, 429, 352, 72, 32},
    {IDC_ABOUT, IDB_ABOUT, IDS_TIP_ABOUT, 506, 352, 33, 32},
    {IDC_WEB_SITE, IDB_WEB_SITE, IDS_TIP_WEB_SITE, 545, 352, 33, 32},
    {IDC_INPUT_FILE, IDB_FOLDER, IDS_TIP_INPUT_FILE, 232, 39, 33, 24},
    {IDC_OUTPUT_FILE, IDB_FOLDER, IDS_TIP_OUTPUT_FILE, 522, 39, 33, 24},
}};
