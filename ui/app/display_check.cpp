#include "ui/app/display_check.h"

#include <wx/display.h>

bool IsDisplayUsable(int width, int height, int depth)
{
    return width >= kMinDisplayWidth && height >= kMinDisplayHeight && depth >= kMinDisplayDepth;
}

bool IsDisplayUsable(const DisplayFacts& display)
{
    return IsDisplayUsable(display.m_nWidth, display.m_nHeight, display.m_nDepth);
}

DisplayFacts ReadDisplayFacts()
{
    const wxDisplay primary;
    const wxRect screen = primary.GetGeometry();
    return DisplayFacts{screen.width, screen.height, primary.GetDepth()};
}
