// One-line static texts that shrink their font rather than overflow.
#include "ui/dialog_template/fitting_static_text.h"
#include "ui/progress/progress_dialog.h"
#include "ui/progress/progress_template.h"

#include <gtest/gtest.h>

#include <wx/dialog.h>

#include <memory>

namespace {

// A plain window with an 8-point font for the texts to live in.
struct Host {
    std::unique_ptr<wxDialog> dialog{new wxDialog(nullptr, wxID_ANY, "host")};
    Host() { dialog->SetFont(wxFontInfo(8).Family(wxFONTFAMILY_SWISS)); }
};

int TextWidth(const wxWindow& window, const wxString& text)
{
    int width = 0;
    window.GetTextExtent(text, &width, nullptr);
    return width;
}

}  // namespace

TEST(FittingStaticText, ShrinksTheFontUntilALongTextFitsItsWidth)
{
    Host host;
    const wxString label = "Estimated time left";
    auto* text = new FittingStaticText(host.dialog.get(), wxID_ANY, "", wxPoint(0, 0), wxSize(80, 18));
    const int normalWidth = TextWidth(*text, label);
    ASSERT_GT(normalWidth, 80) << "the test needs a text wider than its box";
    text->SetLabel(label);
    EXPECT_LT(text->GetFont().GetFractionalPointSize(), 8.0);
    EXPECT_GE(text->GetFont().GetFractionalPointSize(), FittingStaticText::kSmallestPointSize);
    EXPECT_LE(TextWidth(*text, label), 80);
    EXPECT_EQ(text->GetSize(), wxSize(80, 18));
    // A text that fits: the normal size.
    text->SetLabel("1");
    EXPECT_EQ(text->GetFont().GetFractionalPointSize(), 8.0);
}

TEST(FittingStaticText, StopsAtTheSmallestSizeWhenNothingFits)
{
    Host host;
    auto* text = new FittingStaticText(host.dialog.get(), wxID_ANY, "A rather long text for a tiny box", wxPoint(0, 0),
                                       wxSize(20, 18));
    EXPECT_EQ(text->GetFont().GetFractionalPointSize(), FittingStaticText::kSmallestPointSize);
    EXPECT_EQ(text->GetSize(), wxSize(20, 18));
}

TEST(FittingStaticText, TheProgressWindowsCaptionsShareOneSizeAndFit)
{
    ProgressDialog dialog;
    double size = 0;
    for (int id : {IDC_LOADING_LABEL, IDC_GENERATING_LABEL, IDC_WRITING_LABEL, IDC_WRITTEN_LABEL, IDC_TIME_LEFT_LABEL}) {
        SCOPED_TRACE(id);
        wxWindow* caption = dialog.FindWindow(id);
        if (size == 0)
            size = caption->GetFont().GetFractionalPointSize();
        EXPECT_EQ(caption->GetFont().GetFractionalPointSize(), size);
        EXPECT_LE(TextWidth(*caption, caption->GetLabel()), caption->GetSize().x);
    }
}
