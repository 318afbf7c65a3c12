#include "ui/main_window/input_file_drop_target.h"

#include <wx/window.h>

#include <utility>

InputFileDropTarget::InputFileDropTarget(wxWindow& window, Take take)
    : m_window(window)
    , m_take(std::move(take))
{
}

bool InputFileDropTarget::OnDropFiles(wxCoord, wxCoord, const wxArrayString& files)
{
    if (files.empty())
        return false;
    m_window.CallAfter([take = m_take, path = files[0].utf8_string()] { take(path); });
    return true;
}
