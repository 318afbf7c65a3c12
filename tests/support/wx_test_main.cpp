// The main of every GUI test program: runs the tests inside a running wx
// application. OnInit schedules the whole GoogleTest run on the event loop,
// which then ends with its result.
#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/image.h>
#include <wx/init.h>
#include <wx/log.h>

namespace {

// Debian's wx keeps its checks on; a failed check fails the running test
// instead of opening a dialog.
void FailOnAssert(const wxString& file, int line, const wxString& function, const wxString& condition,
                  const wxString& message)
{
    ADD_FAILURE() << "wx assertion failed at " << file.utf8_string() << ":" << line << " in "
                  << function.utf8_string() << ": " << condition.utf8_string() << " " << message.utf8_string();
}

class GuiTestApp : public wxApp {
public:
    bool OnInit() override
    {
        // The base OnInit would parse (and reject) the test options.
        wxSetAssertHandler(&FailOnAssert);
        // Logged errors go to the terminal: a log window would wait for a
        // click that never comes.
        delete wxLog::SetActiveTarget(new wxLogStderr);
        wxInitAllImageHandlers();
        SetExitOnFrameDelete(false);
        CallAfter([this] {
            m_nResult = RUN_ALL_TESTS();
            ExitMainLoop();
        });
        return true;
    }

    int OnRun() override
    {
        wxApp::OnRun();
        return m_nResult;
    }

private:
    int m_nResult = 1;
};

}  // namespace

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    if (GTEST_FLAG_GET(list_tests))
        return RUN_ALL_TESTS();
    wxApp::SetInstance(new GuiTestApp);
    return wxEntry(argc, argv);
}
