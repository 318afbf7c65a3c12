// One-line static texts that shrink their font rather than overflow.
#include "ui/dialog_template/fitting_static_text.h"
#include "ui/dialog_template/text_fitting.h"
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
    EXPECT_GE(text->GetFont().GetFractionalPointSize(), kSmallestLegiblePointSize);
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
    EXPECT_EQ(text->GetFont().GetFractionalPointSize(), kSmallestLegiblePointSize);
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

TEST(FittingStaticText, ATooWideTextTakesTheRoomBesideItBeforeItsFontGetsSmaller)
{
    Host host;
    const wxString label = "A rather long text for a tiny box";
    const auto widthAt = [&](double points) {
        wxFont font = host.dialog->GetFont();
        font.SetFractionalPointSize(points);
        int width = 0;
        host.dialog->GetTextExtent(label, &width, nullptr, nullptr, nullptr, &font);
        return width;
    };
    ASSERT_GT(widthAt(8.0), 100);

    // Room enough: the normal size, the right edge where it was.
    auto* right = new FittingStaticText(host.dialog.get(), wxID_ANY, "", wxPoint(300, 10), wxSize(40, 18), wxALIGN_RIGHT);
    right->SetRoom(wxRect(60, 10, 400, 18));
    right->SetLabel(label);
    EXPECT_EQ(right->GetRect(), wxRect(340 - widthAt(8.0), 10, widthAt(8.0), 18));
    EXPECT_EQ(right->GetFont().GetFractionalPointSize(), 8.0);
    right->SetLabel("1");  // fits again: back in its own rectangle
    EXPECT_EQ(right->GetRect(), wxRect(300, 10, 40, 18));

    // Too little room: all of it, at a smaller size; cut only at the smallest.
    auto* left = new FittingStaticText(host.dialog.get(), wxID_ANY, label, wxPoint(300, 40), wxSize(40, 18));
    left->SetRoom(wxRect(280, 40, 100, 18));
    EXPECT_EQ(left->GetRect(), wxRect(280, 40, 100, 18));
    EXPECT_EQ(left->GetFont().GetFractionalPointSize(), kSmallestLegiblePointSize);
    EXPECT_EQ(left->GetLayoutRect(), wxRect(300, 40, 40, 18));
    const double roomy = (widthAt(kSmallestLegiblePointSize) + widthAt(8.0)) / 2;
    left->SetRoom(wxRect(300, 40, static_cast<int>(roomy), 18));
    EXPECT_GT(left->GetFont().GetFractionalPointSize(), kSmallestLegiblePointSize);
    EXPECT_LT(left->GetFont().GetFractionalPointSize(), 8.0);
    EXPECT_LE(widthAt(left->GetFont().GetFractionalPointSize()), left->GetSize().x);
}

TEST(TextFitting, WideningKeepsTheAlignedEdgeAndStaysInTheRoom)
{
    const wxRect rect(100, 5, 40, 18);
    const wxRect room(60, 5, 140, 18);  // 60 to 199
    EXPECT_EQ(WidenedWithinRoom(rect, 30, room, wxALIGN_RIGHT), rect);
    EXPECT_EQ(WidenedWithinRoom(rect, 50, room, wxALIGN_RIGHT), wxRect(90, 5, 50, 18));
    EXPECT_EQ(WidenedWithinRoom(rect, 50, room, wxALIGN_LEFT), wxRect(100, 5, 50, 18));
    EXPECT_EQ(WidenedWithinRoom(rect, 50, room, wxALIGN_CENTRE_HORIZONTAL), wxRect(95, 5, 50, 18));
    // Past the room's edge on the free side it shifts back inside.
    EXPECT_EQ(WidenedWithinRoom(rect, 120, room, wxALIGN_LEFT), wxRect(80, 5, 120, 18));
    EXPECT_EQ(WidenedWithinRoom(rect, 500, room, wxALIGN_RIGHT), room);
    // Without room the rectangle stays as it is.
    EXPECT_EQ(WidenedWithinRoom(rect, 500, rect, wxALIGN_LEFT), rect);
}
