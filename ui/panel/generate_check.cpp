#include "ui/panel/generate_check.h"

#include "resources/strings/resource_ids.h"

#include <filesystem>
#include <system_error>

int GenerateRefusal(const GenerateCheckState& state)
{
    if (state.m_strInPath.empty())
        return IDS_SELECT_INPUT;
    if (state.m_strOutPath.empty())
        return IDS_SELECT_OUTPUT;
    // Creating the output would empty the input before it is read.
    if (IsSameFile(state.m_strInPath, state.m_strOutPath))
        return IDS_ERR_SAME_FILE;
    if (state.m_nAvailableDiskMB < state.m_nRequiredDiskMB)
        return IDS_ERR_DISK_SPACE;
    return 0;
}

bool IsSameFile(const std::string& first, const std::string& second)
{
    // An output that does not exist yet is no file at all: an error here
    // means "not the same".
    std::error_code error;
    return std::filesystem::equivalent(first, second, error) && !error;
}
