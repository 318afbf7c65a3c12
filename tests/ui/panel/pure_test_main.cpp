// Runs the tests of the rules that need no window: wx is initialised (for
// its configuration files and paths) but no display is opened.
#include <gtest/gtest.h>

#include <wx/init.h>

int main(int argc, char** argv)
{
    testing::InitGoogleTest(&argc, argv);
    wxInitializer wx;
    if (!wx.IsOk())
        return 1;
    return RUN_ALL_TESTS();
}
