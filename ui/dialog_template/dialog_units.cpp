#include "ui/dialog_template/dialog_units.h"

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
