// The three frames of a hover button's picture strip and which one shows.
#pragma once

// Frames lie side by side in the strip, in this order.
enum class StripFrame { Normal = 0, Pressed = 1, Hover = 2 };

// A strip holds three frames; a width that is not a multiple of 3 loses its
// last one or two columns.
constexpr int FrameWidthOfStrip(int stripWidth)
{
    return stripWidth / 3;
}

// Pressed wins over hover, hover over normal.
constexpr StripFrame ChooseStripFrame(bool pressed, bool mouseOver)
{
    if (pressed)
        return StripFrame::Pressed;
    return mouseOver ? StripFrame::Hover : StripFrame::Normal;
}

// The strip column where frame starts.
constexpr int FrameSourceColumn(StripFrame frame, int frameWidth)
{
    return static_cast<int>(frame) * frameWidth;
}
