// The main window as a place to drop a sound file on: the file becomes the
// input as though it had been chosen in the open dialog.
#pragma once

#include <wx/dnd.h>

#include <functional>
#include <string>

class InputFileDropTarget : public wxFileDropTarget {
public:
    // Called with the dropped file's path once the drop has ended.
    using Take = std::function<void(const std::string& path)>;

    InputFileDropTarget(wxWindow& window, Take take);

    // Of several files the first is taken. The file is taken after the drop
    // has ended, so that its messages do not hold up the program it came from.
    bool OnDropFiles(wxCoord x, wxCoord y, const wxArrayString& files) override;

private:
    wxWindow& m_window;
    Take m_take;
};
