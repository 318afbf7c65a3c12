#include "x_screen_capture.h"

#include <X11/Xlib.h>
#include <X11/Xutil.h>

namespace {

Display* TestDisplay()
{
    // One connection for the whole test run, closed by the system at exit.
    static Display* display = XOpenDisplay(nullptr);
    return display;
}

int ShiftOf(unsigned long mask)
{
    int shift = 0;
    while (mask != 0 && (mask & 1) == 0) {
        mask >>= 1;
        ++shift;
    }
    return shift;
}

std::uint8_t Channel(unsigned long pixel, unsigned long mask)
{
    const unsigned long value = (pixel & mask) >> ShiftOf(mask);
    const unsigned long maximum = mask >> ShiftOf(mask);
    return static_cast<std::uint8_t>(maximum == 0 ? 0 : value * 255 / maximum);
}

}  // namespace

std::vector<std::uint8_t> CaptureScreenRgb(int left, int top, int width, int height)
{
    std::vector<std::uint8_t> rgb;
    Display* display = TestDisplay();
    if (display == nullptr || width <= 0 || height <= 0)
        return rgb;
    // Everything the program drew has reached the server before this request.
    XSync(display, False);
    XImage* image = XGetImage(display, DefaultRootWindow(display), left, top, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr)
        return rgb;
    rgb.reserve(static_cast<std::size_t>(width) * static_cast<std::size_t>(height) * 3);
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            rgb.push_back(Channel(pixel, image->red_mask));
            rgb.push_back(Channel(pixel, image->green_mask));
            rgb.push_back(Channel(pixel, image->blue_mask));
        }
    }
    XDestroyImage(image);
    return rgb;
}
