#include "ui/panel/generate_check.h"

#include "resources/strings/resource_ids.h"

int GenerateRefusal(const GenerateCheckState& state)
{
    if (state.m_strInPath.empty())
        return IDS_SELECT_INPUT;
    if (state.m_strOutPath.empty())
        return IDS_SELECT_OUTPUT;
    if (state.m_nAvailableDiskMB < state.m_nRequiredDiskMB)
        return IDS_ERR_DISK_SPACE;
    return 0;
}
