// The one message box routine: captions, icons, answers, and replacement.
#include "message_box.h"
#include "message_box_routine.h"
#include "string_table.h"
#include "window_test_support.h"

#include <gtest/gtest.h>

#include <wx/app.h>
#include <wx/msgdlg.h>

TEST(MessageBoxStyle, AnOkBoxWithoutIconGetsTheExclamationIcon)
{
    EXPECT_EQ(CompleteMessageStyle(MB_OK), MB_OK | MB_ICONEXCLAMATION);
}

TEST(MessageBoxStyle, BoxesWithAnIconOrOtherButtonsStayAsAskedFor)
{
    EXPECT_EQ(CompleteMessageStyle(MB_OK | MB_ICONINFORMATION), MB_OK | MB_ICONINFORMATION);
    EXPECT_EQ(CompleteMessageStyle(MB_OK | MB_ICONERROR), MB_OK | MB_ICONERROR);
    EXPECT_EQ(CompleteMessageStyle(MB_YESNO | MB_ICONQUESTION), MB_YESNO | MB_ICONQUESTION);
    EXPECT_EQ(CompleteMessageStyle(MB_YESNO), MB_YESNO);
}

TEST(MessageBoxRoutine, CaptionsEveryBoxWithTheProgramName)
{
    MessageBoxRecorder boxes;
    ShowMessageBoxById(IDS_SELECT_INPUT, MB_OK);
    ASSERT_EQ(boxes.Requests().size(), 1u);
    // The program file's name without folder and extension.
    EXPECT_EQ(boxes.Requests()[0].m_strCaption, "app_tests");
    EXPECT_EQ(boxes.Requests()[0].m_strText, "Please select the input (original) file name.");
    EXPECT_EQ(boxes.Requests()[0].m_nStyle, MB_OK | MB_ICONEXCLAMATION);
}

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

TEST(SystemMessageBox, ShowsAModalMessageDialogWithCaptionTextAndIcon)
{
    wxString caption;
    wxString message;
    long style = 0;
    ModalDialogAnswerer answerer([&](wxDialog* dialog) {
        auto* box = dynamic_cast<wxMessageDialog*>(dialog);
        if (box) {
            caption = box->GetCaption();
            message = box->GetMessage();
            style = box->GetMessageDialogStyle();
        }
        return wxID_OK;
    });

    EXPECT_EQ(ShowMessageBoxById(IDS_ERR_DISK_SPACE, MB_OK), IDOK);

    EXPECT_EQ(answerer.Count(), 1);
    EXPECT_EQ(caption, "app_tests");
    EXPECT_EQ(message.utf8_string(), LoadResourceString(IDS_ERR_DISK_SPACE));
    EXPECT_TRUE(style & wxOK);
    EXPECT_FALSE(style & wxYES_NO);
    EXPECT_EQ(style & wxICON_MASK, wxICON_EXCLAMATION);
}

TEST(SystemMessageBox, MapsEachIconAndButtonSet)
{
    struct Case {
        unsigned style;
        long buttons;
        long icon;
    };
    const Case cases[] = {
        {MB_OK | MB_ICONINFORMATION, wxOK, wxICON_INFORMATION},
        {MB_OK | MB_ICONERROR, wxOK, wxICON_ERROR},
        {MB_YESNO | MB_ICONQUESTION, wxYES_NO, wxICON_QUESTION},
    };
    for (const Case& c : cases) {
        long style = 0;
        ModalDialogAnswerer answerer([&](wxDialog* dialog) {
            if (auto* box = dynamic_cast<wxMessageDialog*>(dialog))
                style = box->GetMessageDialogStyle();
            return wxID_OK;
        });
        ShowMessageBox("text", c.style);
        EXPECT_EQ(style & (wxOK | wxYES_NO), c.buttons) << "style " << c.style;
        EXPECT_EQ(style & wxICON_MASK, c.icon) << "style " << c.style;
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
    for (const auto& [dialogResult, expected] : answers) {
        ModalDialogAnswerer answerer([&](wxDialog*) { return dialogResult; });
        EXPECT_EQ(ShowMessageBox("Sure?", MB_YESNO | MB_ICONQUESTION), expected) << "dialog result " << dialogResult;
    }
    ModalDialogAnswerer closed([](wxDialog*) { return wxID_CANCEL; });
    EXPECT_EQ(ShowMessageBox("Notice", MB_OK), IDOK);
}
