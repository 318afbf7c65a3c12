// The display the bitmap-painted windows need: at least 800 x 600 pixels and
// 15 bits per pixel.
#pragma once

struct DisplayFacts {
    int m_nWidth = 0;   // pixels
    int m_nHeight = 0;  // pixels
    int m_nDepth = 0;   // bits per pixel
};

constexpr int kMinDisplayWidth = 800;
constexpr int kMinDisplayHeight = 600;
// 15, not 16: a 15-bit display shows the pictures well enough.
constexpr int kMinDisplayDepth = 15;

bool IsDisplayUsable(int width, int height, int depth);
bool IsDisplayUsable(const DisplayFacts& display);

// The primary screen's size and colour depth.
DisplayFacts ReadDisplayFacts();
