#include "ui/panel/desktop_opener.h"

#include <wx/log.h>
#include <wx/process.h>
#include <wx/utils.h>

#include <string>
#include <utility>

namespace {

// One running xdg-open; it reports its exit status and then deletes itself.
class OpenerProcess : public wxProcess {
public:
    explicit OpenerProcess(DesktopOpener::Finished finished) : m_finished(std::move(finished)) {}

    void OnTerminate(int, int status) override
    {
        m_finished(status == 0);
        delete this;
    }

private:
    DesktopOpener::Finished m_finished;
};

}  // namespace

XdgOpener::XdgOpener(std::string program) : m_strProgram(std::move(program)) {}

void XdgOpener::Open(const std::string& target, Finished finished)
{
    const std::wstring program = wxString::FromUTF8(m_strProgram).ToStdWstring();
    const std::wstring argument = wxString::FromUTF8(target).ToStdWstring();
    const wchar_t* argv[] = {program.c_str(), argument.c_str(), nullptr};
    auto* process = new OpenerProcess(finished);
    // A program that can't be started is reported through finished, not as a log box.
    wxLogNull quiet;
    if (wxExecute(argv, wxEXEC_ASYNC, process) == 0) {
        delete process;
        finished(false);
    }
}
