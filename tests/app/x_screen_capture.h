// Reads pixels straight from the X server, through a connection of the test's
// own: what the screen really shows, whatever the toolkit keeps in its caches.
#pragma once

#include <cstdint>
#include <vector>

// The screen's pixels in the rectangle, row by row, three bytes (red, green,
// blue) each; empty when the display can't be read.
std::vector<std::uint8_t> CaptureScreenRgb(int left, int top, int width, int height);
