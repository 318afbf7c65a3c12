#include "ui/dialog_template/dialog_units.h"

#include <gtk/gtk.h>

#include <cmath>

namespace {

// value × numerator / denominator rounded to the nearest integer, halves away
// from zero.
int ScaleRounded(int value, int numerator, int denominator)
{
    const long long product = static_cast<long long>(value) * numerator;
    const long long half = denominator / 2;
    const long long rounded = product >= 0 ? (product + half) / denominator : -((-product + half) / denominator);
    return static_cast<int>(rounded);
}

}  // namespace

int HorizontalUnitsToPixels(int units)
{
    return ScaleRounded(units, 3, 2);
}

int VerticalUnitsToPixels(int units)
{
    return ScaleRounded(units, 13, 8);
}

wxPoint DialogUnitsToPixels(int left, int top)
{
    return wxPoint(HorizontalUnitsToPixels(left), VerticalUnitsToPixels(top));
}

wxSize DialogSizeToPixels(int width, int height)
{
    return wxSize(HorizontalUnitsToPixels(width), VerticalUnitsToPixels(height));
}

wxRect DialogUnitsToPixels(const DialogUnitRect& rect)
{
    return wxRect(DialogUnitsToPixels(rect.left, rect.top), DialogSizeToPixels(rect.width, rect.height));
}

double DesktopTextScale()
{
    constexpr double kUsualResolution = 96.0;  // dots per inch
    GdkScreen* screen = gdk_screen_get_default();
    const double resolution = screen ? gdk_screen_get_resolution(screen) : -1.0;
    return resolution > kUsualResolution ? resolution / kUsualResolution : 1.0;
}

namespace {

int ScaledUnits(int units, double pixelsPerUnit, double textScale)
{
    return static_cast<int>(std::lround(units * pixelsPerUnit * textScale));
}

}  // namespace

wxSize DialogSizeToPixels(int width, int height, double textScale)
{
    if (textScale == 1.0)
        return DialogSizeToPixels(width, height);
    return wxSize(ScaledUnits(width, 1.5, textScale), ScaledUnits(height, 13.0 / 8.0, textScale));
}

wxRect DialogUnitsToPixels(const DialogUnitRect& rect, double textScale)
{
    if (textScale == 1.0)
        return DialogUnitsToPixels(rect);
    return wxRect(wxPoint(ScaledUnits(rect.left, 1.5, textScale), ScaledUnits(rect.top, 13.0 / 8.0, textScale)),
                  DialogSizeToPixels(rect.width, rect.height, textScale));
}
