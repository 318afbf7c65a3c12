// Signals the analysis tests feed in.
#pragma once

#include <algorithm>
#include <cstddef>
#include <vector>

#include "engine/base/stereo_frame.h"

// A sine of amplitude in both channels.
std::vector<StereoFrame> Sine(double hz, float amplitude, std::size_t frames);
// Uniform noise of peak amplitude, different in each channel.
std::vector<StereoFrame> Noise(float amplitude, std::size_t frames, unsigned seed);
// Feeds frames to observer in pieces of the given sizes, over and over.
template <typename Observer>
void FeedInPieces(Observer& observer, const std::vector<StereoFrame>& frames, const std::vector<std::size_t>& pieces)
{
    std::size_t done = 0;
    for (std::size_t k = 0; done < frames.size(); ++k) {
        const std::size_t count = std::min(pieces[k % pieces.size()], frames.size() - done);
        observer.OnStretch(frames.data() + done, count);
        done += count;
    }
}
