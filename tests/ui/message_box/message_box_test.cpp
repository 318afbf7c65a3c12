// The one message box routine: captions, icons (an OK box without one gets
// the exclamation icon), answers, and replacement.
#include "ui/message_box/message_box_codes.h"
#include "ui/message_box/message_box_routine.h"
#include "resources/strings/string_table.h"
#include "tests/ui/support/window_test_support.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/msgdlg.h>

TEST(MessageBoxRoutine, AReplacementAnswersAndTheSystemBoxComesBackAfterwards)
{
    {
        MessageBoxRecorder boxes([](const MessageBoxRequest&) { return IDYES; });
        EXPECT_EQ(ShowMessageBox("Go on?", MB_YESNO | MB_ICONQUESTION), IDYES);
    }
    // With the recorder gone the system box shows again: a modal dialog.
    ModalDialogAnswerer answerer([](wxDialog*) { return wxID_NO; });
    EXPECT_EQ(ShowMessageBox("Go on?", MB_YESNO | MB_ICONQUESTION), IDNO);
    EXPECT_EQ(answerer.Count(), 1);
}

TEST(SystemMessageBox, ShowsAModalMessageDialogWithCaptionTextButtonsAndIcon)
{
    struct Case {
        unsigned style;
        long buttons;
        long icon;
    };
    const Case cases[] = {
        {MB_OK, wxOK, wxICON_EXCLAMATION},
        {MB_OK | MB_ICONINFORMATION, wxOK, wxICON_INFORMATION},
        {MB_OK | MB_ICONERROR, wxOK, wxICON_ERROR},
        {MB_YESNO | MB_ICONQUESTION, wxYES_NO, wxICON_QUESTION},
    };
    for (const Case& c : cases) {
        SCOPED_TRACE(c.style);
        wxString caption, message;
        long style = 0;
        ModalDialogAnswerer answerer([&](wxDialog* dialog) {
            if (auto* box = dynamic_cast<wxMessageDialog*>(dialog)) {
                caption = box->GetCaption();
                message = box->GetMessage();
                style = box->GetMessageDialogStyle();
            }
            return wxID_OK;
        });
        ShowMessageBoxById(IDS_ERR_DISK_SPACE, c.style);
        EXPECT_EQ(answerer.Count(), 1);
        EXPECT_EQ(caption, "gui_tests");
        EXPECT_EQ(message.utf8_string(), LoadResourceString(IDS_ERR_DISK_SPACE));
        EXPECT_EQ(style & (wxOK | wxYES_NO), c.buttons);
        EXPECT_EQ(style & wxICON_MASK, c.icon);
    }
}

TEST(SystemMessageBox, OnlyYesIsYesOnAYesNoBox)
{
    const std::pair<int, int> answers[] = {
        {wxID_YES, IDYES},
        {wxID_NO, IDNO},
        // Escape or the close box: neither button.
        {wxID_CANCEL, IDNO},
    };
    for (const auto& answer : answers) {
        // Plain variables, not a structured binding: clang 14 cannot capture
        // a binding in a lambda.
        const int dialogResult = answer.first;
        const int expected = answer.second;
        ModalDialogAnswerer answerer([dialogResult](wxDialog*) { return dialogResult; });
        EXPECT_EQ(ShowMessageBox("Sure?", MB_YESNO | MB_ICONQUESTION), expected) << "dialog result " << dialogResult;
    }
    ModalDialogAnswerer closed([](wxDialog*) { return wxID_CANCEL; });
    EXPECT_EQ(ShowMessageBox("Notice", MB_OK), IDOK);
}
