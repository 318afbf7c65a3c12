// Every shortcut is shown: the desktop's usual keys are on the menu items
// they work, and every shortcut a menu shows is in the user's guide, in the
// words pdftotext takes out of the committed PDF.
#include <gtest/gtest.h>

#include <wx/accel.h>
#include <wx/menu.h>

#include <functional>
#include <set>

#include "tests/studio/window/studio_window_fixture.h"
#include "tests/support/external_tool.h"

using namespace studio;

namespace {

// Each menu item's shortcut: its accelerator ("Ctrl+Shift+S"), or a plain
// key named in its label ("Play or Pause (Space)").
std::set<std::string> MenuShortcuts(wxMenuBar& bar)
{
    std::set<std::string> shortcuts;
    std::function<void(wxMenu&)> visit = [&](wxMenu& menu) {
        for (wxMenuItem* item : menu.GetMenuItems()) {
            if (item->IsSubMenu()) {
                visit(*item->GetSubMenu());
                continue;
            }
            if (const std::unique_ptr<wxAcceleratorEntry> accel{item->GetAccel()})
                shortcuts.insert(accel->ToString().utf8_string());
            const std::string label = item->GetItemLabelText().utf8_string();
            const std::size_t open = label.rfind(" (");
            if (open != std::string::npos && label.back() == ')')
                shortcuts.insert(label.substr(open + 2, label.size() - open - 3));
        }
    };
    for (std::size_t i = 0; i < bar.GetMenuCount(); ++i)
        visit(*bar.GetMenu(i));
    return shortcuts;
}

// The guide's text with the space pdftotext leaves around a key's frame
// taken out: "Ctrl + Shift + S" reads "Ctrl+Shift+S".
std::string GuideKeysText()
{
    const ToolResult text = RunTool("pdftotext -enc UTF-8 " + ShellQuote(SONNELITH_GUIDE_PDF) + " -");
    std::string joined;
    for (std::size_t i = 0; i < text.output.size(); ++i) {
        const char c = text.output[i];
        if (std::isspace(static_cast<unsigned char>(c)) &&
            ((!joined.empty() && joined.back() == '+') ||
             (i + 1 < text.output.size() && text.output[i + 1] == '+')))
            continue;
        joined += c;
    }
    return joined;
}

}  // namespace

TEST_F(StudioWindowTest, EveryShortcutIsShownInItsMenuAndInTheGuide)
{
    StudioFrame& frame = MakeWindow();
    const std::set<std::string> shortcuts = MenuShortcuts(*frame.GetMenuBar());
    for (const char* usual : {"Space", "Ctrl+O", "Ctrl+S", "Ctrl+Shift+S", "Ctrl+Z", "Ctrl+Shift+Z", "Ctrl+Q"})
        EXPECT_TRUE(shortcuts.count(usual)) << usual << " is on no menu item";
    const std::string guide = GuideKeysText();
    ASSERT_NE(guide.find("Sonnelith Studio"), std::string::npos) << "pdftotext could not read the guide";
    for (const std::string& shortcut : shortcuts)
        EXPECT_NE(guide.find(shortcut), std::string::npos) << shortcut << " is not in the user's guide";
}
