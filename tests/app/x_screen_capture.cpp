// Reads pixels straight from the X server, through a connection of the test's
// own: what the screen really shows, whatever the toolkit caches.
#include <cstdint>
#include <vector>

#include <X11/Xlib.h>
#include <X11/Xutil.h>

std::vector<std::uint8_t> CaptureScreenRgb(int left, int top, int width, int height)
{
    // One connection for the whole test run, closed by the system at exit.
    static Display* display = XOpenDisplay(nullptr);
    std::vector<std::uint8_t> rgb;
    if (display == nullptr || width <= 0 || height <= 0)
        return rgb;
    // Everything the program drew has reached the server before this request.
    XSync(display, False);
    XImage* image = XGetImage(display, DefaultRootWindow(display), left, top, static_cast<unsigned>(width),
                              static_cast<unsigned>(height), AllPlanes, ZPixmap);
    if (image == nullptr)
        return rgb;
    // The test server's screen is 24-bit true colour: eight bits a channel.
    for (int y = 0; y < height; ++y) {
        for (int x = 0; x < width; ++x) {
            const unsigned long pixel = XGetPixel(image, x, y);
            for (int shift : {16, 8, 0})
                rgb.push_back(static_cast<std::uint8_t>(pixel >> shift));
        }
    }
    XDestroyImage(image);
    return rgb;
}
